#include "MpBase.h"

#include "MpPin.h"
#include "MpResult.h"

#include <algorithm>
#include <stdexcept>

MpBase::MpBase(gmpi::IMpUnknown* hostObject) {
    void* services = nullptr;
    if (hostObject != nullptr) {
        hostObject->QueryInterface(MP_IID_MODULE_HOST, &services);
    }
    if (services == nullptr) {
        throw std::runtime_error("the host object provides no IMpModuleHost");
    }
    host = static_cast<IMpModuleHost*>(services);
}

MpBase::~MpBase() {
    host->Release();
    pinsById.clear();
}

int32_t MpBase::QueryInterface(const MpGuid& iid, void** out) {
    if (out == nullptr) {
        return mpFailed;
    }
    if (mpGuidCompare(iid, gmpi::MP_IID_UNKNOWN) == 0 ||
        mpGuidCompare(iid, gmpi::MP_IID_PLUGIN) == 0) {
        *out = static_cast<gmpi::IMpPlugin*>(this);
        AddRef();
        return mpOk;
    }
    *out = nullptr;
    return mpUnsupported;
}

int32_t MpBase::AddRef() {
    return ++refCount;
}

int32_t MpBase::Release() {
    const int32_t count = --refCount;
    if (count == 0) {
        delete this;
    }
    return count;
}

int32_t MpBase::activate() {
    return mpOk;
}

int32_t MpBase::assignBuffer(int32_t pinId, float* buffer) {
    try {
        MpPinBase* pin = findPin(pinId);
        if (pin == nullptr) {
            return mpFailed;
        }
        pin->bindBuffer(buffer);
        return mpOk;
    } catch (...) {
        return mpFailed;
    }
}

int32_t MpBase::acceptMessage(int32_t, int32_t, int32_t) {
    return mpOk;
}

void MpBase::pinMessageHook(int32_t, const void*, int32_t) {}

void MpBase::pinsUpdated() {}

void MpBase::sendInitialUpdates() {
    for (auto& [id, pin] : pinsById) {
        if (pin->directionCode() == 1) {
            pin->sendInitialUpdate();
        }
    }
}

MpPinBase* MpBase::findPin(int32_t pinId) const {
    auto found = pinsById.find(pinId);
    return found == pinsById.end() ? nullptr : found->second;
}

namespace {

bool isPinEvent(int32_t kind) {
    return kind >= evPinValue && kind <= evPinMessage;
}

bool isPinChange(int32_t kind) {
    return kind >= evPinValue && kind <= evStreamStatusB;
}

// An offset the host promised to be in [position, length]; out-of-order or
// out-of-block offsets are pulled into that range so nothing renders outside.
int32_t clampOffset(int32_t offset, int32_t position, int32_t length) {
    return std::clamp(offset, position, length);
}

} // namespace

void MpBase::processBlock(int32_t sampleFrames, const MpTimedEvent* events) {
    const int32_t length = std::max(sampleFrames, 0);
    if (events == nullptr) {
        (this->*activeRoutine)(0, length);
        return;
    }
    processWithEvents(length, events);
}

#if defined(__GNUC__)
__attribute__((noinline))
#endif
void MpBase::processWithEvents(int32_t length, const MpTimedEvent* events) {
    int32_t position = 0;
    int32_t remaining = length;
    const MpTimedEvent* current = events;
    while (current != nullptr) {
        const int32_t offset = clampOffset(current->sampleOffset, position, length);
        const int32_t gap = offset - position;
        if (gap > 0) {
            (this->*activeRoutine)(position, gap);
            remaining -= gap;
            if (remaining == 0) {
                return;
            }
            position = offset;
        }
        const MpTimedEvent* end = current->next;
        while (end != nullptr && clampOffset(end->sampleOffset, position, length) == offset) {
            end = end->next;
        }
        blockPosition = offset;
        handleGroup(current, end);
        current = end;
    }
    (this->*activeRoutine)(position, remaining);
}

void MpBase::handleGroup(const MpTimedEvent* first, const MpTimedEvent* end) {
    bool pinChanged = false;
    for (const MpTimedEvent* e = first; e != end; e = e->next) {
        if (isPinEvent(e->kind)) {
            if (MpPinBase* pin = findPin(e->pinId)) {
                pin->beforeEvent(e);
            }
        }
        pinChanged = pinChanged || isPinChange(e->kind);
    }
    for (const MpTimedEvent* e = first; e != end; e = e->next) {
        if (isPinEvent(e->kind)) {
            if (MpPinBase* pin = findPin(e->pinId)) {
                pin->dispatchEvent(e);
            }
        } else if (e->kind == evInitialUpdate) {
            sendInitialUpdates();
        }
    }
    if (pinChanged) {
        pinsUpdated();
    }
    for (const MpTimedEvent* e = first; e != end; e = e->next) {
        if (isPinEvent(e->kind)) {
            if (MpPinBase* pin = findPin(e->pinId)) {
                pin->afterEvent(e);
            }
        }
    }
}

void MpBase::setBlockRoutine(BlockRoutine routine) {
    if (activeRoutine == chosenRoutine) {
        activeRoutine = routine;
    }
    chosenRoutine = routine;
}

void MpBase::idleRoutine(int32_t, int32_t) {}

int32_t MpBase::hostBlockSize() {
    int32_t blockSize = 0;
    host->queryBlockSize(&blockSize);
    return blockSize;
}

void MpBase::preSleepRoutine(int32_t offset, int32_t count) {
    for (;;) {
        const bool maySleep = sleepPolicy == -1 ? streamingOutputs == 0 : sleepPolicy == 1;
        if (!maySleep) {
            activeRoutine = chosenRoutine;
            if (count > 0) {
                (this->*chosenRoutine)(offset, count);
            }
            return;
        }
        if (sleepCountdown <= 0) {
            const int32_t blockSize = hostBlockSize();
            if (offset + count == blockSize) {
                host->requestSleep();
            }
            return;
        }
        if (count <= 0) {
            return;
        }
        const int32_t n = std::min(sleepCountdown, count);
        sleepCountdown -= n;
        (this->*chosenRoutine)(offset, n);
        offset += n;
        count -= n;
    }
}

void MpBase::outputStreamingChanged(bool isStreaming, bool changed) {
    if (changed) {
        streamingOutputs += isStreaming ? 1 : -1;
    }
    if (streamingOutputs != 0 && sleepPolicy != 1) {
        activeRoutine = chosenRoutine;
        return;
    }
    activeRoutine = &MpBase::preSleepRoutine;
    sleepCountdown = std::max(hostBlockSize(), 0);
}
