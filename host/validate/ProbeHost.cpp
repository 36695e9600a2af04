#include "ProbeHost.h"

#include "MpResult.h"

namespace mpvalidate {

int32_t ProbeHost::QueryInterface(const MpGuid& iid, void** out) {
    if (iid == MP_IID_MODULE_HOST || iid == gmpi::MP_IID_UNKNOWN) {
        (iid == MP_IID_MODULE_HOST ? servicesQueries : otherQueries) += 1;
        *out = static_cast<IMpModuleHost*>(this);
        ++refCount;
        return mpOk;
    }
    ++otherQueries;
    *out = nullptr;
    return mpUnsupported;
}

int32_t ProbeHost::AddRef() {
    ++addRefCalls;
    return ++refCount;
}

int32_t ProbeHost::Release() {
    ++releaseCalls;
    return --refCount;
}

int32_t ProbeHost::postPinValue(int32_t blockPosition, int32_t pinId, int32_t size, const void*) {
    record({ProbeCall::PinValue, blockPosition, pinId, size});
    return mpOk;
}

int32_t ProbeHost::postPinStreaming(int32_t blockPosition, int32_t pinId, int32_t isStreaming) {
    record({ProbeCall::PinStreaming, blockPosition, pinId, isStreaming});
    return mpOk;
}

int32_t ProbeHost::requestSleep() {
    ++sleepRequests;
    record({ProbeCall::Sleep, 0, 0, 0});
    return mpOk;
}

int32_t ProbeHost::reservedSlot6() {
    ++slot6Calls;
    return mpOk;
}

int32_t ProbeHost::queryBlockSize(int32_t* out) {
    *out = blockSize;
    return mpOk;
}

void ProbeHost::record(const ProbeCall& call) {
    if (callCount < capacity) {
        calls[callCount] = call;
    }
    ++callCount;
}

} // namespace mpvalidate
