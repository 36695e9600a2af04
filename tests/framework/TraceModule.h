// A small module for framework tests: one float control input (pin 0) and one
// audio output (pin 1) whose every step, and every host call, lands in one trace.
#pragma once

#include "MpBase.h"
#include "MpPin.h"
#include "RecordingHost.h"

#include <cstring>
#include <string>
#include <vector>

namespace fwtest {

using Trace = std::vector<std::string>;

inline std::string call(const char* name, int32_t a) {
    return std::string(name) + "(" + std::to_string(a) + ")";
}
inline std::string call(const char* name, int32_t a, int32_t b) {
    return std::string(name) + "(" + std::to_string(a) + "," + std::to_string(b) + ")";
}
inline std::string call(const char* name, int32_t a, int32_t b, int32_t c) {
    return std::string(name) + "(" + std::to_string(a) + "," + std::to_string(b) + "," +
           std::to_string(c) + ")";
}

class TraceHost : public testkit::RecordingHost {
public:
    explicit TraceHost(Trace& trace, int32_t blockSize = 64)
        : RecordingHost(blockSize), trace(trace) {}
    int32_t MP_STDCALL postPinValue(int32_t pos, int32_t pin, int32_t size,
                                    const void* data) override {
        trace.push_back(call("postPinValue", pos, pin, size));
        return RecordingHost::postPinValue(pos, pin, size, data);
    }
    int32_t MP_STDCALL postPinStreaming(int32_t pos, int32_t pin, int32_t flag) override {
        trace.push_back(call("postPinStreaming", pos, pin, flag));
        return RecordingHost::postPinStreaming(pos, pin, flag);
    }
    int32_t MP_STDCALL requestSleep() override {
        trace.push_back("requestSleep");
        return RecordingHost::requestSleep();
    }
    Trace& trace;
};

template <class Pin> class TracePin : public Pin {
public:
    explicit TracePin(Trace& trace) : trace(trace) {}
    void beforeEvent(const MpTimedEvent* e) override {
        trace.push_back(call("before", this->pinId));
        Pin::beforeEvent(e);
    }
    void dispatchEvent(const MpTimedEvent* e) override {
        trace.push_back(call("dispatch", this->pinId));
        Pin::dispatchEvent(e);
    }
    void afterEvent(const MpTimedEvent* e) override {
        trace.push_back(call("after", this->pinId));
        Pin::afterEvent(e);
    }
    void sendInitialUpdate() override {
        trace.push_back(call("initial", this->pinId));
        Pin::sendInitialUpdate();
    }
    Trace& trace;
};

using InputPin = TracePin<MpControlPin<float, mpInput, mpFloatControlData>>;
using OutputPin = TracePin<MpAudioPin<mpOutput>>;

class TraceModule : public MpBase {
public:
    TraceModule(gmpi::IMpUnknown* hostObject, Trace& trace)
        : MpBase(hostObject), trace(trace), input(trace), output(trace) {
        input.registerPin(0, this, nullptr);
        output.registerPin(1, this, nullptr);
    }
    int32_t MP_STDCALL activate() override {
        setBlockRoutine(&TraceModule::render);
        return 0;
    }
    void pinsUpdated() override {
        trace.push_back("pinsUpdated");
        if (stopStreamingOnUpdate && input.updated) {
            output.setStreaming(false);
        }
    }
    void render(int32_t offset, int32_t count) {
        trace.push_back(call("render", offset, count));
        rendered += count;
    }
    void otherRender(int32_t offset, int32_t count) {
        trace.push_back(call("other", offset, count));
    }

    // Read access to the base's bookkeeping for the tests.
    int32_t count() const { return refCount; }
    int32_t position() const { return blockPosition; }
    int32_t countdown() const { return sleepCountdown; }
    int32_t streaming() const { return streamingOutputs; }
    bool activeIsPreSleep() const {
        return activeRoutine == BlockRoutine(&MpBase::preSleepRoutine);
    }
    std::size_t pinCount() const { return pinsById.size(); }
    MpPinBase* pinAt(int32_t id) const {
        auto found = pinsById.find(id);
        return found == pinsById.end() ? nullptr : found->second;
    }

    Trace& trace;
    InputPin input;
    OutputPin output;
    bool stopStreamingOnUpdate = true;
    int64_t rendered = 0;
};

// Builds an event list from a vector of records, chaining them in order.
struct EventList {
    std::vector<MpTimedEvent> events;

    EventList& add(int32_t offset, int32_t kind, int32_t pinId = 0, float value = 0.0f) {
        MpTimedEvent e{};
        e.sampleOffset = offset;
        e.kind = kind;
        e.pinId = pinId;
        e.byteCount = sizeof(float);
        static_assert(sizeof(float) <= sizeof(e.inlineBytes));
        std::memcpy(e.inlineBytes, &value, sizeof(float));
        events.push_back(e);
        return *this;
    }
    const MpTimedEvent* head() {
        for (std::size_t i = 0; i + 1 < events.size(); ++i) {
            events[i].next = &events[i + 1];
        }
        if (!events.empty()) {
            events.back().next = nullptr;
        }
        return events.empty() ? nullptr : events.data();
    }
};

} // namespace fwtest
