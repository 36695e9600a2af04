// Identity and lifetime: slots 0 to 2 of every interface of the host contract.
// Interfaces have no virtual destructor; implementations add their own after
// the interface slots.
#pragma once

#include "MpGuid.h"
#include "MpPlatform.h"

#include <cstdint>

namespace gmpi {

class IMpUnknown {
public:
    virtual int32_t MP_STDCALL QueryInterface(const MpGuid& iid, void** out) = 0;
    virtual int32_t MP_STDCALL AddRef() = 0;
    virtual int32_t MP_STDCALL Release() = 0;

protected:
    ~IMpUnknown() = default;
};

} // namespace gmpi
