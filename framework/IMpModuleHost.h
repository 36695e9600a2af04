// The host's services for one module instance. The host implements it; the
// library only calls it and ignores every result.
#pragma once

#include "IMpUnknown.h"

class IMpModuleHost : public gmpi::IMpUnknown {
public:
    virtual int32_t MP_STDCALL postPinValue(int32_t blockPosition, int32_t pinId, int32_t size,
                                            const void* data) = 0;
    virtual int32_t MP_STDCALL postPinStreaming(int32_t blockPosition, int32_t pinId,
                                                int32_t isStreaming) = 0;
    virtual int32_t MP_STDCALL requestSleep() = 0;
    // Slot 6 has no use in this contract; it only keeps the slots after it in place.
    virtual int32_t MP_STDCALL reservedSlot6() = 0;
    virtual int32_t MP_STDCALL queryBlockSize(int32_t* blockSize) = 0;

protected:
    ~IMpModuleHost() = default;
};
