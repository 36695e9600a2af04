// The base of every module instance. It implements IMpPlugin: hands the host's
// buffers to the pins, splits each block at the host's timed events, routes the
// events to the pins and renders the stretches between them through an
// installable block routine, which also carries the sleep rule. An instance
// holds one reference to the host's IMpModuleHost from construction to
// destruction. All calls into one instance must come from one thread at a time.
#pragma once

#include "IMpModuleHost.h"
#include "IMpPlugin.h"
#include "MpBlockRoutine.h"

#include <map>

class MpPinBase;

class MpBase : public gmpi::IMpPlugin {
public:
    // Asks hostObject for IMpModuleHost; throws std::runtime_error when the host
    // object hands out none, so that creation fails cleanly.
    explicit MpBase(gmpi::IMpUnknown* hostObject);
    MpBase(const MpBase&) = delete;
    MpBase& operator=(const MpBase&) = delete;

    int32_t MP_STDCALL QueryInterface(const MpGuid& iid, void** out) override;
    int32_t MP_STDCALL AddRef() override;
    int32_t MP_STDCALL Release() override;
    int32_t MP_STDCALL activate() override;
    int32_t MP_STDCALL assignBuffer(int32_t pinId, float* buffer) override;
    void MP_STDCALL processBlock(int32_t sampleFrames, const MpTimedEvent* events) override;
    int32_t MP_STDCALL acceptMessage(int32_t a, int32_t b, int32_t c) override;
    virtual ~MpBase();
    virtual void pinMessageHook(int32_t pinId, const void* data, int32_t size);
    virtual void pinsUpdated();
    virtual void sendInitialUpdates();

    // Installs the module's rendering routine. In the Rendering state it replaces
    // the active routine too; during a countdown the countdown goes on with it.
    void setBlockRoutine(BlockRoutine routine);
    template <class Module> void setBlockRoutine(void (Module::*routine)(int32_t, int32_t)) {
        setBlockRoutine(static_cast<BlockRoutine>(routine));
    }

    // An output pin reports its streaming state; changed tells whether its flag flipped.
    void outputStreamingChanged(bool isStreaming, bool changed);

    // Renders nothing.
    void idleRoutine(int32_t offset, int32_t count);
    // Renders the rest of the countdown through the chosen routine, then asks
    // the host to sleep at the end of a full block.
    void preSleepRoutine(int32_t offset, int32_t count);

protected:
    friend class MpPinBase;

    int32_t refCount = 0;
    IMpModuleHost* host = nullptr;
    std::map<int32_t, MpPinBase*> pinsById;
    BlockRoutine activeRoutine = &MpBase::preSleepRoutine;
    BlockRoutine chosenRoutine = &MpBase::idleRoutine;
    int32_t blockPosition = 0;
    int32_t sleepCountdown = 0;
    int32_t streamingOutputs = 0;
    int32_t sleepPolicy = -1;

private:
    MpPinBase* findPin(int32_t pinId) const;
    // The part of processBlock for a block with events; kept out of line so
    // that a block without events costs processBlock no stack frame.
    void processWithEvents(int32_t length, const MpTimedEvent* events);
    void handleGroup(const MpTimedEvent* first, const MpTimedEvent* end);
    int32_t hostBlockSize();
};
