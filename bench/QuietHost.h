// A host for benchmarks: implements IMpModuleHost with plain counters only, so
// that driving a module through it allocates nothing and costs no more than a
// real host's bookkeeping would. The caller owns it and must keep it alive as
// long as any module holds a reference. Not thread-safe.
#pragma once

#include "IMpModuleHost.h"
#include "MpResult.h"

#include <cstdint>

class QuietHost : public IMpModuleHost {
public:
    explicit QuietHost(int32_t blockSize) : blockSize(blockSize) {}
    QuietHost(const QuietHost&) = delete;
    QuietHost& operator=(const QuietHost&) = delete;
    virtual ~QuietHost() = default;

    int32_t MP_STDCALL QueryInterface(const MpGuid& iid, void** out) override {
        if (iid == gmpi::MP_IID_UNKNOWN || iid == MP_IID_MODULE_HOST) {
            *out = static_cast<IMpModuleHost*>(this);
            ++refCount;
            return mpOk;
        }
        *out = nullptr;
        return mpUnsupported;
    }
    int32_t MP_STDCALL AddRef() override { return ++refCount; }
    int32_t MP_STDCALL Release() override { return --refCount; }
    int32_t MP_STDCALL postPinValue(int32_t, int32_t, int32_t, const void*) override {
        ++pinValues;
        return mpOk;
    }
    int32_t MP_STDCALL postPinStreaming(int32_t, int32_t, int32_t isStreaming) override {
        lastStreaming = isStreaming;
        ++pinStreamings;
        return mpOk;
    }
    int32_t MP_STDCALL requestSleep() override {
        ++sleepRequests;
        return mpOk;
    }
    int32_t MP_STDCALL reservedSlot6() override { return mpOk; }
    int32_t MP_STDCALL queryBlockSize(int32_t* out) override {
        *out = blockSize;
        return mpOk;
    }

    int32_t blockSize;
    int32_t refCount = 1; // the owner's reference
    int64_t pinValues = 0;
    int64_t pinStreamings = 0;
    int64_t sleepRequests = 0;
    int32_t lastStreaming = -1;
};
