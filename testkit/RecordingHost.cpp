#include "RecordingHost.h"

#include "MpResult.h"

#include <sstream>

namespace testkit {

std::string describe(const HostCall& call) {
    std::ostringstream text;
    switch (call.kind) {
    case HostCall::PinValue:
        text << "postPinValue(" << call.position << ", " << call.pinId << ", " << call.data.size()
             << " bytes)";
        break;
    case HostCall::PinStreaming:
        text << "postPinStreaming(" << call.position << ", " << call.pinId << ", " << call.flag
             << ")";
        break;
    case HostCall::Sleep:
        text << "requestSleep()";
        break;
    case HostCall::BlockSize:
        text << "queryBlockSize()";
        break;
    case HostCall::Slot6:
        text << "slot6()";
        break;
    }
    return text.str();
}

int32_t RecordingHost::QueryInterface(const MpGuid& iid, void** out) {
    if (iid == MP_IID_MODULE_HOST) {
        ++servicesQueries;
    }
    if (iid == gmpi::MP_IID_UNKNOWN || (offerServices && iid == MP_IID_MODULE_HOST)) {
        *out = static_cast<IMpModuleHost*>(this);
        ++refCount;
        return mpOk;
    }
    *out = nullptr;
    return mpUnsupported;
}

int32_t RecordingHost::AddRef() {
    ++addRefCalls;
    return ++refCount;
}

int32_t RecordingHost::Release() {
    ++releaseCalls;
    return --refCount;
}

int32_t RecordingHost::postPinValue(int32_t blockPosition, int32_t pinId, int32_t size,
                                    const void* data) {
    HostCall call(HostCall::PinValue, blockPosition, pinId);
    if (size > 0 && data != nullptr) {
        const auto* bytes = static_cast<const unsigned char*>(data);
        call.data.assign(bytes, bytes + size);
    }
    calls.push_back(std::move(call));
    return serviceResult;
}

int32_t RecordingHost::postPinStreaming(int32_t blockPosition, int32_t pinId, int32_t isStreaming) {
    calls.emplace_back(HostCall::PinStreaming, blockPosition, pinId, isStreaming);
    return serviceResult;
}

int32_t RecordingHost::requestSleep() {
    ++sleepRequests;
    calls.emplace_back(HostCall::Sleep);
    return serviceResult;
}

int32_t RecordingHost::reservedSlot6() {
    calls.emplace_back(HostCall::Slot6);
    return serviceResult;
}

int32_t RecordingHost::queryBlockSize(int32_t* out) {
    ++blockSizeQueries;
    if (recordBlockSizeQueries) {
        calls.emplace_back(HostCall::BlockSize);
    }
    *out = blockSize;
    return serviceResult;
}

} // namespace testkit
