// One module instance as the host drives it (slots 3 to 6 after IMpUnknown).
#pragma once

#include "IMpUnknown.h"
#include "MpTimedEvent.h"

namespace gmpi {

class IMpPlugin : public IMpUnknown {
public:
    virtual int32_t MP_STDCALL activate() = 0;
    virtual int32_t MP_STDCALL assignBuffer(int32_t pinId, float* buffer) = 0;
    virtual void MP_STDCALL processBlock(int32_t sampleFrames, const MpTimedEvent* events) = 0;
    virtual int32_t MP_STDCALL acceptMessage(int32_t a, int32_t b, int32_t c) = 0;

protected:
    ~IMpPlugin() = default;
};

} // namespace gmpi
