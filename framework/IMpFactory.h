// The library's factory as the host sees it (slots 3 and 4 after IMpUnknown).
// Texts are null-terminated UTF-16 on every platform.
#pragma once

#include "IMpUnknown.h"

namespace gmpi {

class IMpFactory : public IMpUnknown {
public:
    virtual int32_t MP_STDCALL createModule(const char16_t* id, int32_t kind,
                                            IMpUnknown* hostObject, void** out) = 0;
    virtual int32_t MP_STDCALL describeSdk(int32_t* version, int32_t capacity, char16_t* text) = 0;

protected:
    ~IMpFactory() = default;
};

} // namespace gmpi
