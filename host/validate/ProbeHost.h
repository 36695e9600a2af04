// The validator's host object: implements IMpModuleHost, answers
// queryBlockSize, and records the module's calls and its use of the host's
// reference count. Recording allocates nothing (a fixed table of calls), so
// the host can serve a module while allocations are being counted. The
// caller owns it and must keep it alive while any module holds it.
#pragma once

#include "IMpModuleHost.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace mpvalidate {

struct ProbeCall {
    enum Kind { PinValue, PinStreaming, Sleep };
    Kind kind;
    int32_t position;
    int32_t pinId;
    int32_t value; // streaming flag, or byte count of a pin value
};

class ProbeHost : public IMpModuleHost {
public:
    static constexpr size_t capacity = 4096;

    explicit ProbeHost(int32_t blockSize) : blockSize(blockSize) {}
    ProbeHost(const ProbeHost&) = delete;
    ProbeHost& operator=(const ProbeHost&) = delete;
    virtual ~ProbeHost() = default;

    int32_t MP_STDCALL QueryInterface(const MpGuid& iid, void** out) override;
    int32_t MP_STDCALL AddRef() override;
    int32_t MP_STDCALL Release() override;
    int32_t MP_STDCALL postPinValue(int32_t blockPosition, int32_t pinId, int32_t size,
                                    const void* data) override;
    int32_t MP_STDCALL postPinStreaming(int32_t blockPosition, int32_t pinId,
                                        int32_t isStreaming) override;
    int32_t MP_STDCALL requestSleep() override;
    int32_t MP_STDCALL reservedSlot6() override;
    int32_t MP_STDCALL queryBlockSize(int32_t* out) override;

    // Forgets the recorded calls (not the counts).
    void clearCalls() { callCount = 0; }
    const ProbeCall* begin() const { return calls.data(); }
    const ProbeCall* end() const {
        return calls.data() + (callCount < capacity ? callCount : capacity);
    }
    size_t recorded() const { return callCount; }

    int32_t blockSize;
    // References handed out minus references given back.
    int32_t refCount = 0;
    int32_t servicesQueries = 0; // QueryInterface calls for IMpModuleHost
    int32_t otherQueries = 0;
    int32_t addRefCalls = 0;
    int32_t releaseCalls = 0;
    int32_t sleepRequests = 0;
    int32_t slot6Calls = 0;

private:
    void record(const ProbeCall& call);

    std::array<ProbeCall, capacity> calls{};
    size_t callCount = 0;
};

} // namespace mpvalidate
