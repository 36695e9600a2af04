// The converter module on the framework: registration, rendering and its
// reaction to input changes.
#include "Quorvale.h"
#include "MpFactory.h"
#include "MpResult.h"
#include "RecordingHost.h"
#include "TimeToVolts.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <vector>

namespace {

using testkit::HostCall;

constexpr uint32_t untouched = 0x7FC0DEAD; // a tagged NaN no conversion produces
constexpr int32_t guard = 16;

uint32_t bitsOf(float f) {
    return std::bit_cast<uint32_t>(f);
}

MpTimedEvent valueEvent(int32_t offset, float seconds) {
    MpTimedEvent e{};
    e.sampleOffset = offset;
    e.kind = evPinValue;
    e.pinId = 0;
    e.byteCount = 4;
    std::memcpy(e.inlineBytes, &seconds, 4);
    return e;
}

MpTimedEvent kindEvent(int32_t offset, int32_t kind, int32_t pinId = 0) {
    MpTimedEvent e{};
    e.sampleOffset = offset;
    e.kind = kind;
    e.pinId = pinId;
    return e;
}

const MpTimedEvent* chain(std::vector<MpTimedEvent>& events) {
    for (std::size_t i = 0; i + 1 < events.size(); ++i) {
        events[i].next = &events[i + 1];
    }
    if (events.empty()) {
        return nullptr;
    }
    events.back().next = nullptr;
    return events.data();
}

// One Quorvale made through the factory, with a guarded output buffer.
class Harness : public ::testing::Test {
protected:
    void SetUp() override {
        void* out = nullptr;
        ASSERT_EQ(factoryInstance()->createModule(quorvaleModuleId, 0, &host, &out), mpOk);
        module = static_cast<Quorvale*>(static_cast<gmpi::IMpPlugin*>(out));
        storage.assign(blockSize + 2 * guard, std::bit_cast<float>(untouched));
        ASSERT_EQ(module->assignBuffer(1, samples()), mpOk);
        ASSERT_EQ(module->activate(), mpOk);
    }
    void TearDown() override {
        for (int32_t i = 0; i < guard; ++i) {
            EXPECT_EQ(bitsOf(storage[i]), untouched) << "written before the buffer";
            EXPECT_EQ(bitsOf(storage[guard + blockSize + i]), untouched) << "written after it";
        }
        EXPECT_EQ(module->Release(), 0);
        EXPECT_EQ(host.refCount, 1);
    }

    float* samples() { return storage.data() + guard; }
    uint32_t sample(int32_t i) { return bitsOf(samples()[i]); }
    void clearSamples() { std::fill_n(samples(), blockSize, std::bit_cast<float>(untouched)); }
    void process(std::vector<MpTimedEvent> events) {
        module->processBlock(blockSize, chain(events));
    }
    static constexpr int32_t blockSize = 128;
    testkit::RecordingHost host{blockSize};
    Quorvale* module = nullptr;
    std::vector<float> storage;
};

TEST(QuorvaleRegistration, OneEntryWithTheProcessorOnly) {
    const auto& modules = factoryInstance()->registeredModules();
    ASSERT_EQ(modules.size(), 1u);
    const auto& [key, record] = *modules.begin();
    EXPECT_EQ(key, u"Tarnwick Quorvale");
    EXPECT_EQ(record->moduleId, u"Tarnwick Quorvale");
    EXPECT_EQ(record->createProcessor, createQuorvale);
    EXPECT_EQ(record->createCompanion, nullptr);

    testkit::RecordingHost host;
    void* out = reinterpret_cast<void*>(0x10);
    EXPECT_EQ(factoryInstance()->createModule(u"Tarnwick Quorvale", 1, &host, &out), mpUnsupported);
    EXPECT_EQ(out, nullptr);
}

TEST_F(Harness, RenderVoltsWritesExactlyTheStretch) {
    process({valueEvent(0, 10.0f)});
    clearSamples();
    module->renderVolts(0, 0);
    module->renderVolts(0, -5);
    module->renderVolts(10, -1);
    for (int32_t i = 0; i < blockSize; ++i) {
        ASSERT_EQ(sample(i), untouched) << i;
    }
    module->renderVolts(5, 3);
    for (int32_t i = 0; i < blockSize; ++i) {
        ASSERT_EQ(sample(i), (i >= 5 && i < 8) ? 0x3F800000u : untouched) << i;
    }
}

TEST_F(Harness, InputsAcrossTheRange) {
    const float inf = std::numeric_limits<float>::infinity();
    struct Row {
        float seconds;
        uint32_t expected;
    };
    const Row rows[] = {{10.0f, 0x3F800000},
                        {100.0f, 0x3FA00000},
                        {1000.0f, 0x3FC00000},
                        {0.001f, 0x31B13131},
                        {0.0f, bitsOf(-inf)}};
    for (const Row& row : rows) {
        process({valueEvent(0, row.seconds)});
        for (int32_t i = 0; i < blockSize; ++i) {
            ASSERT_EQ(sample(i), row.expected) << row.seconds << " at " << i;
        }
    }
    process({valueEvent(0, -1.0f)});
    for (int32_t i = 0; i < blockSize; ++i) {
        ASSERT_TRUE(std::isnan(samples()[i])) << i;
        ASSERT_NE(sample(i), untouched) << i;
    }
}

TEST_F(Harness, ValueChangeMidBlockWhileStreaming) {
    process({kindEvent(0, evInitialUpdate), valueEvent(0, 1.0f)});
    process({kindEvent(0, evInitialUpdate)}); // streaming again, rendering 1 s
    host.calls.clear();
    process({valueEvent(64, 10.0f)});
    for (int32_t i = 0; i < blockSize; ++i) {
        ASSERT_EQ(sample(i), i < 64 ? 0x3F400000u : 0x3F800000u) << i;
    }
    EXPECT_EQ(host.calls, (std::vector<HostCall>{{HostCall::PinStreaming, 64, 1, 0}}));

    clearSamples();
    host.calls.clear();
    process({});
    for (int32_t i = 0; i < blockSize; ++i) {
        ASSERT_EQ(sample(i), i < 64 ? 0x3F800000u : untouched) << i;
    }
    EXPECT_EQ(host.calls, (std::vector<HostCall>{{HostCall::Sleep}}));

    clearSamples();
    host.calls.clear();
    process({});
    EXPECT_EQ(sample(0), untouched) << "asleep: nothing written";
    EXPECT_EQ(host.calls, (std::vector<HostCall>{{HostCall::Sleep}})) << "asks again";
}

TEST_F(Harness, ValueAndInitialUpdateInOneGroup) {
    host.calls.clear();
    process({kindEvent(7, evInitialUpdate), valueEvent(7, 2.0f)});
    EXPECT_EQ(host.calls, (std::vector<HostCall>{{HostCall::PinStreaming, 7, 1, 1},
                                                 {HostCall::PinStreaming, 7, 1, 0}}));
    EXPECT_EQ(sample(6), untouched) << "Spent before the group";
    EXPECT_EQ(sample(7), 0x3F534414u);
    host.calls.clear();
    process({});
    EXPECT_EQ(sample(6), 0x3F534414u) << "the countdown carries into the next block";
    EXPECT_EQ(host.calls, (std::vector<HostCall>{{HostCall::Sleep}}));
}

TEST_F(Harness, EqualValuesInTwoGroupsRestartTheCountdown) {
    host.calls.clear();
    process({valueEvent(10, 1.0f), valueEvent(100, 1.0f)});
    EXPECT_EQ(host.calls, (std::vector<HostCall>{{HostCall::PinStreaming, 10, 1, 0},
                                                 {HostCall::PinStreaming, 100, 1, 0}}));
    host.calls.clear();
    clearSamples();
    process({});
    for (int32_t i = 0; i < blockSize; ++i) {
        ASSERT_EQ(sample(i), i < 100 ? 0x3F400000u : untouched) << i;
    }
    EXPECT_EQ(host.calls, (std::vector<HostCall>{{HostCall::Sleep}}));
}

TEST_F(Harness, StreamStatusAloneChangesNothing) {
    process({kindEvent(0, evInitialUpdate), valueEvent(0, 1.0f)});
    process({});
    host.calls.clear();
    clearSamples();
    process({kindEvent(5, evStreamStatusA), kindEvent(9, evStreamStatusB)});
    EXPECT_EQ(host.calls, (std::vector<HostCall>{{HostCall::Sleep}}));
    EXPECT_EQ(sample(0), untouched);
}

TEST_F(Harness, NoBufferMeansNothingWritten) {
    ASSERT_EQ(module->assignBuffer(1, nullptr), mpOk);
    process({kindEvent(0, evInitialUpdate), valueEvent(3, 1.0f)});
    process({});
    for (int32_t i = 0; i < blockSize; ++i) {
        ASSERT_EQ(sample(i), untouched) << i;
    }
    EXPECT_EQ(host.sleepRequests, 1);
}

} // namespace
