#include "Quorvale.h"

#include "MpFactory.h"
#include "MpResult.h"
#include "TimeToVolts.h"

#include <algorithm>

Quorvale::Quorvale(gmpi::IMpUnknown* hostObject) : MpBase(hostObject) {
    pinTime.registerPin(0, this, nullptr);
    pinVolts.registerPin(1, this, nullptr);
}

int32_t Quorvale::activate() {
    setBlockRoutine(&Quorvale::renderVolts);
    return mpOk;
}

void Quorvale::pinsUpdated() {
    if (pinTime.updated) {
        pinVolts.setStreaming(false);
    }
}

void Quorvale::renderVolts(int32_t offset, int32_t count) {
    const float volts = quorvale::timeToVolts(pinTime.value);
    if (count > 0 && pinVolts.buffer != nullptr) {
        std::fill_n(pinVolts.buffer + offset, count, volts);
    }
}

gmpi::IMpUnknown* createQuorvale(gmpi::IMpUnknown* hostObject) {
    return static_cast<gmpi::IMpPlugin*>(new Quorvale(hostObject));
}

namespace {
MP_REGISTRATION_ORDER MpLoadTimeRegistration quorvaleRegistration(quorvaleModuleId, createQuorvale);
} // namespace
