// The time-to-volts converter: a float time in seconds on pin 0 becomes the
// envelope generator's control voltage, an audio-rate signal on pin 1. After
// each new time it writes the constant for one host block, then sleeps.
#pragma once

#include "MpBase.h"
#include "MpPin.h"

class Quorvale : public MpBase {
public:
    explicit Quorvale(gmpi::IMpUnknown* hostObject);
    int32_t MP_STDCALL activate() override;
    ~Quorvale() override = default;
    void pinsUpdated() override;

    // Fills samples offset .. offset + count - 1 of the output buffer with the
    // converted input; writes nothing for count <= 0 or without a buffer.
    void renderVolts(int32_t offset, int32_t count);

private:
    MpControlPin<float, mpInput, mpFloatControlData> pinTime;
    MpAudioPin<mpOutput> pinVolts;
};

// The creation routine for instance kind 0: a new Quorvale with no references.
gmpi::IMpUnknown* createQuorvale(gmpi::IMpUnknown* hostObject);

// The module id under which Quorvale is registered.
inline constexpr const char16_t* quorvaleModuleId = u"Tarnwick Quorvale";
