// A host for tests and tools: implements IMpModuleHost, records every call a
// module makes with its arguments, and answers queryBlockSize with a settable
// block size. Its reference count is tracked but never frees the object: the
// caller owns it and must keep it alive as long as any module holds it. Not
// thread-safe; use one per thread.
#pragma once

#include "IMpModuleHost.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace testkit {

struct HostCall {
    enum Kind { PinValue, PinStreaming, Sleep, BlockSize, Slot6 };

    HostCall(Kind kind, int32_t position = 0, int32_t pinId = 0, int32_t flag = 0,
             std::vector<unsigned char> data = {})
        : kind(kind), position(position), pinId(pinId), flag(flag), data(std::move(data)) {}

    Kind kind;
    int32_t position;
    int32_t pinId;
    int32_t flag;                    // streaming flag
    std::vector<unsigned char> data; // pin value bytes

    bool operator==(const HostCall&) const = default;
};

std::string describe(const HostCall& call);

class RecordingHost : public IMpModuleHost {
public:
    explicit RecordingHost(int32_t blockSize = 128) : blockSize(blockSize) {}
    RecordingHost(const RecordingHost&) = delete;
    RecordingHost& operator=(const RecordingHost&) = delete;
    virtual ~RecordingHost() = default;

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

    // The calls made so far, except queryBlockSize unless recordBlockSizeQueries.
    std::vector<HostCall> calls;
    // Handed out by queryBlockSize.
    int32_t blockSize;
    // Whether queryBlockSize calls are recorded too.
    bool recordBlockSizeQueries = false;
    // When false, QueryInterface refuses IMpModuleHost.
    bool offerServices = true;
    // Result returned by every service operation.
    int32_t serviceResult = 0;

    int32_t refCount = 1; // the owner's reference
    int32_t addRefCalls = 0;
    int32_t releaseCalls = 0;
    int32_t servicesQueries = 0;
    int32_t blockSizeQueries = 0;
    int32_t sleepRequests = 0;
};

} // namespace testkit
