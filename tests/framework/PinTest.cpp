// Pins: payload handling, registration, buffers and initial updates.
#include "MpResult.h"
#include "TraceModule.h"

#include <gtest/gtest.h>

#include <array>

namespace {

using namespace fwtest;

class Pins : public ::testing::Test {
protected:
    void SetUp() override {
        module = new TraceModule(&host, trace);
        module->AddRef();
    }
    void TearDown() override { module->Release(); }

    void deliver(MpTimedEvent& e) {
        e.next = nullptr;
        module->processBlock(64, &e);
    }

    Trace trace;
    TraceHost host{trace};
    TraceModule* module = nullptr;
};

MpTimedEvent valueEvent(int32_t byteCount, const void* extra = nullptr) {
    MpTimedEvent e{};
    e.kind = evPinValue;
    e.pinId = 0;
    e.byteCount = byteCount;
    e.extraData = extra;
    return e;
}

TEST_F(Pins, PayloadComesFromExtraDataOrInlineBytes) {
    const float outside = 2.5f;
    MpTimedEvent e = valueEvent(4, &outside);
    const float inlineValue = 7.0f;
    std::memcpy(e.inlineBytes, &inlineValue, 4);
    deliver(e);
    EXPECT_EQ(module->input.value, 2.5f);

    e.extraData = nullptr;
    deliver(e);
    EXPECT_EQ(module->input.value, 7.0f);
}

TEST_F(Pins, PayloadSizesNeverOverrun) {
    const float start = 1.0f;
    struct Row {
        const char* name;
        int32_t byteCount;
        bool external;
        float expected;
    };
    // Payload bytes: the float 3.0 followed by 0xAB filler.
    std::array<unsigned char, 64> payload;
    payload.fill(0xAB);
    const float three = 3.0f;
    std::memcpy(payload.data(), &three, 4);
    float twoBytes = start;
    std::memcpy(&twoBytes, payload.data(), 2);

    const Row rows[] = {
        {"exact, external", 4, true, 3.0f},
        {"oversized external payload: leading bytes only", 64, true, 3.0f},
        {"oversized inline payload: never read past the record", 1000, false, 3.0f},
        {"two bytes replace the leading two", 2, true, twoBytes},
        {"zero bytes leave the value", 0, true, start},
        {"negative count copies nothing", -4, true, start},
        {"negative inline count copies nothing", -1000, false, start},
    };
    for (const Row& row : rows) {
        MpTimedEvent reset = valueEvent(4, &start);
        deliver(reset);
        // A copy on the heap, exactly one record long, so a read past it is caught.
        auto heapEvent = std::make_unique<MpTimedEvent>(valueEvent(row.byteCount));
        std::memcpy(heapEvent->inlineBytes, payload.data(), 8);
        heapEvent->extraData = row.external ? payload.data() : nullptr;
        trace.clear();
        deliver(*heapEvent);
        EXPECT_EQ(std::memcmp(&module->input.value, &row.expected, 4), 0) << row.name;
        EXPECT_EQ(std::count(trace.begin(), trace.end(), "pinsUpdated"), 1) << row.name;
        EXPECT_FALSE(module->input.updated) << row.name;
    }
}

TEST_F(Pins, LaterValueOfAGroupWinsAndUpdatedSpansTheGroup) {
    struct Watcher : TraceModule {
        using TraceModule::TraceModule;
        void pinsUpdated() override { seen.push_back(input.updated); }
        std::vector<bool> seen;
    };
    Trace local;
    TraceHost localHost(local);
    auto* watcher = new Watcher(&localHost, local);
    watcher->AddRef();
    EventList list;
    list.add(5, evPinValue, 0, 1.0f).add(5, evPinValue, 0, 2.0f);
    watcher->processBlock(64, list.head());
    EXPECT_EQ(watcher->input.value, 2.0f);
    EXPECT_EQ(watcher->seen, std::vector<bool>{true});
    EXPECT_FALSE(watcher->input.updated);
    watcher->Release();
}

TEST_F(Pins, OtherKindsChangeNoPin) {
    module->input.value = 4.0f;
    for (int32_t kind : {evStreamStatusA, evStreamStatusB, evPinMessage}) {
        for (int32_t pin : {0, 1}) {
            EventList list;
            list.add(0, kind, pin, 9.0f);
            module->processBlock(64, list.head());
        }
    }
    EXPECT_EQ(module->input.value, 4.0f);
    EXPECT_FALSE(module->output.isStreaming());
}

TEST_F(Pins, RegistrationKeepsTheFirstPinAndDefaultHandlers) {
    EXPECT_EQ(module->pinCount(), 2u);
    EXPECT_EQ(module->pinAt(0), &module->input);
    EXPECT_EQ(module->pinAt(1), &module->output);

    OutputPin intruder(trace);
    intruder.registerPin(1, module, nullptr);
    EXPECT_EQ(intruder.pinId, 1);
    EXPECT_EQ(module->pinAt(1), &module->output) << "the first pin under an id stays";
    EXPECT_EQ(module->pinCount(), 2u);

    float samples[4] = {};
    EXPECT_EQ(module->assignBuffer(1, samples), mpOk);
    EXPECT_EQ(module->output.buffer, samples);
    EXPECT_EQ(intruder.buffer, nullptr);
}

TEST_F(Pins, AssignBuffer) {
    float samples[4] = {};
    EXPECT_EQ(module->output.buffer, nullptr) << "no buffer until one is assigned";
    EXPECT_EQ(module->assignBuffer(0, samples), mpOk) << "a control pin ignores its buffer";
    EXPECT_EQ(module->assignBuffer(1, samples), mpOk);
    EXPECT_EQ(module->output.buffer, samples);
    EXPECT_EQ(module->assignBuffer(1, nullptr), mpOk);
    EXPECT_EQ(module->output.buffer, nullptr);
    for (int32_t id : {2, -1, 1000}) {
        EXPECT_EQ(module->assignBuffer(id, samples), mpFailed) << id;
    }
    EXPECT_EQ(module->pinCount(), 2u) << "a failed assignment leaves no entry behind";
}

TEST_F(Pins, StreamingAnnouncedOnEveryCallCountedOnce) {
    EventList list;
    list.add(3, evInitialUpdate).add(3, evInitialUpdate);
    module->processBlock(64, list.head());
    EXPECT_EQ(module->streaming(), 1);
    using testkit::HostCall;
    const std::vector<HostCall> expected = {{HostCall::PinStreaming, 3, 1, 1},
                                            {HostCall::PinStreaming, 3, 1, 1}};
    EXPECT_EQ(host.calls, expected);
}

// A module with a float control output, for its initial update.
class ControlOut : public MpBase {
public:
    explicit ControlOut(gmpi::IMpUnknown* h) : MpBase(h) {
        in.registerPin(2, this, nullptr);
        out.registerPin(5, this, nullptr);
    }
    MpControlPin<float, mpInput, mpFloatControlData> in;
    MpControlPin<float, mpOutput, mpFloatControlData> out;
};

TEST(ControlPin, InitialUpdatePostsTheValueBytes) {
    testkit::RecordingHost host;
    auto* module = new ControlOut(&host);
    module->AddRef();
    module->out.value = 0.75f;
    EventList list;
    list.add(9, evInitialUpdate);
    module->processBlock(16, list.head());
    ASSERT_EQ(host.calls.size(), 1u);
    const testkit::HostCall& c = host.calls[0];
    EXPECT_EQ(c.kind, testkit::HostCall::PinValue);
    EXPECT_EQ(c.position, 9);
    EXPECT_EQ(c.pinId, 5);
    ASSERT_EQ(c.data.size(), 4u);
    float posted;
    std::memcpy(&posted, c.data.data(), 4);
    EXPECT_EQ(posted, 0.75f);
    EXPECT_EQ(module->in.datatypeCode(), 6);
    EXPECT_EQ(module->out.directionCode(), 1);
    EXPECT_EQ(module->Release(), 0);
}

} // namespace

namespace {

// Pins whose default handler is a routine of the module, to see who gets it.
class HandlerModule;
EventHandler handlerOf();

template <class Pin> class DefaultingPin : public Pin {
public:
    EventHandler defaultHandler() const override { return handlerOf(); }
};

class HandlerModule : public MpBase {
public:
    explicit HandlerModule(gmpi::IMpUnknown* h) : MpBase(h) {
        in.registerPin(0, this, nullptr);
        out.registerPin(1, this, nullptr);
        explicitIn.registerPin(2, this, static_cast<EventHandler>(&HandlerModule::onExplicit));
    }
    void onDefault(const MpTimedEvent* e) { seen.push_back(call("default", e->pinId)); }
    void onExplicit(const MpTimedEvent* e) { seen.push_back(call("explicit", e->pinId)); }

    DefaultingPin<MpControlPin<float, mpInput, mpFloatControlData>> in;
    DefaultingPin<MpAudioPin<mpOutput>> out;
    DefaultingPin<MpControlPin<float, mpInput, mpFloatControlData>> explicitIn;
    Trace seen;
};

EventHandler handlerOf() {
    return static_cast<EventHandler>(&HandlerModule::onDefault);
}

TEST(PinHandlers, DefaultHandlerOnlyForInputsWithoutOne) {
    testkit::RecordingHost host;
    auto* module = new HandlerModule(&host);
    module->AddRef();
    EventList list;
    list.add(0, evPinMessage, 0).add(0, evPinMessage, 1).add(0, evPinValue, 2);
    module->processBlock(8, list.head());
    EXPECT_EQ(module->seen, (Trace{"default(0)", "explicit(2)"}));
    module->Release();
}

} // namespace
