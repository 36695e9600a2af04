// Pins: a module's ends of its connections in the host's patch. Pins are plain
// members of their module and live exactly as long as it; they register
// themselves in the module's pinsById, which owns nothing. Their operations run
// only inside the host's calls into the owning module.
#pragma once

#include "MpBase.h"
#include "MpBlockRoutine.h"
#include "MpTimedEvent.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <type_traits>

class MpPinBase {
public:
    MpPinBase() = default;
    MpPinBase(const MpPinBase&) = delete;
    MpPinBase& operator=(const MpPinBase&) = delete;
    virtual ~MpPinBase() = default;

    virtual void bindBuffer(float* buffer) = 0;
    virtual void beforeEvent(const MpTimedEvent* event);
    virtual void dispatchEvent(const MpTimedEvent* event);
    virtual void afterEvent(const MpTimedEvent* event);
    virtual int32_t datatypeCode() const = 0;
    virtual int32_t directionCode() const = 0;
    virtual EventHandler defaultHandler() const = 0;
    virtual void sendInitialUpdate() = 0;

    // Sets id, owner and handler and enters the pin into the owner's pinsById,
    // unless another pin holds the id already. Throws std::bad_alloc when the
    // registry cannot grow.
    void registerPin(int32_t id, MpBase* module, EventHandler eventHandler);

    int32_t pinId = -1;

protected:
    MpBase* owner = nullptr;
    EventHandler handler = nullptr;

    // Access to the owner's host link and event position for the pin kinds.
    IMpModuleHost* ownerHost() const { return owner->host; }
    int32_t ownerPosition() const { return owner->blockPosition; }
};

enum MpDirection : int32_t { mpInput = 0, mpOutput = 1 };
enum MpDatatype : int32_t { mpAudioData = 5, mpFloatControlData = 6 };

// A pin holding one value of plain type T, taken as raw bytes from value events.
template <class T, int32_t D> class MpControlPinBase : public MpPinBase {
    static_assert(std::is_trivially_copyable_v<T>);

public:
    void bindBuffer(float*) override {}

    void beforeEvent(const MpTimedEvent* event) override {
        if (event->kind != evPinValue) {
            return;
        }
        int32_t size = std::max(event->byteCount, 0);
        const void* payload = event->extraData;
        if (payload == nullptr) {
            payload = event->inlineBytes;
            size = std::min<int32_t>(size, sizeof(event->inlineBytes));
        }
        storeRaw(size, payload);
        updated = true;
    }

    void afterEvent(const MpTimedEvent* event) override {
        if (event->kind == evPinValue) {
            updated = false;
        }
    }

    int32_t datatypeCode() const override { return D; }
    EventHandler defaultHandler() const override { return nullptr; }

    void sendInitialUpdate() override {
        ownerHost()->postPinValue(ownerPosition(), pinId, rawSize(), rawData());
    }

    // Copies the leading bytes of data into value; never more than its width.
    virtual void storeRaw(int32_t size, const void* data) {
        if (size > 0) {
            std::memcpy(&value, data,
                        std::min<std::size_t>(static_cast<std::size_t>(size), sizeof(T)));
        }
    }
    virtual int32_t rawSize() const { return static_cast<int32_t>(sizeof(T)); }
    virtual const void* rawData() const { return &value; }

    T value{};
    bool updated = false;
};

template <class T, int32_t R, int32_t D> class MpControlPin : public MpControlPinBase<T, D> {
public:
    int32_t directionCode() const override { return R; }
};

// An audio-rate pin: keeps the address of the host's sample buffer (null until
// one is assigned) and, as an output, tells the host whether it streams.
template <int32_t R> class MpAudioPin : public MpPinBase {
public:
    void bindBuffer(float* samples) override { buffer = samples; }
    int32_t datatypeCode() const override { return mpAudioData; }
    int32_t directionCode() const override { return R; }
    EventHandler defaultHandler() const override { return nullptr; }
    void sendInitialUpdate() override { setStreaming(true); }

    // Tells the host on every call, then reports to the owner's sleep bookkeeping.
    void setStreaming(bool flag) {
        const bool changed = streaming != flag;
        streaming = flag;
        ownerHost()->postPinStreaming(ownerPosition(), pinId, flag ? 1 : 0);
        owner->outputStreamingChanged(flag, changed);
    }

    bool isStreaming() const { return streaming; }

    float* buffer = nullptr;

private:
    bool streaming = false;
};
