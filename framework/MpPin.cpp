#include "MpPin.h"

void MpPinBase::beforeEvent(const MpTimedEvent*) {}

void MpPinBase::afterEvent(const MpTimedEvent*) {}

void MpPinBase::dispatchEvent(const MpTimedEvent* event) {
    if (handler != nullptr) {
        (owner->*handler)(event);
    }
}

void MpPinBase::registerPin(int32_t id, MpBase* module, EventHandler eventHandler) {
    handler = eventHandler;
    pinId = id;
    owner = module;
    if (handler == nullptr && directionCode() == mpInput) {
        handler = defaultHandler();
    }
    owner->pinsById.emplace(pinId, this);
}
