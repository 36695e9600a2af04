// processBlock allocates nothing: count global operator new around it.
#include "AllocationCounter.h"
#include "TraceModule.h"

#include <gtest/gtest.h>

namespace {

using namespace fwtest;

// A module with plain pins, so the only allocations would be the framework's.
class Quiet : public MpBase {
public:
    explicit Quiet(gmpi::IMpUnknown* host) : MpBase(host) {
        input.registerPin(0, this, nullptr);
        output.registerPin(1, this, nullptr);
    }
    int32_t MP_STDCALL activate() override {
        setBlockRoutine(&Quiet::render);
        return 0;
    }
    void pinsUpdated() override { output.setStreaming(false); }
    void render(int32_t, int32_t count) { rendered += count; }

    MpControlPin<float, mpInput, mpFloatControlData> input;
    MpAudioPin<mpOutput> output;
    int64_t rendered = 0;
};

TEST(Allocation, ProcessBlockAllocatesNothing) {
    testkit::RecordingHost host(64);
    host.calls.reserve(4096);
    auto* module = new Quiet(&host);
    module->AddRef();
    module->activate();
    float samples[64];
    module->assignBuffer(1, samples);

    EventList list;
    list.add(0, evInitialUpdate).add(0, evPinValue, 0, 1.0f).add(10, evPinValue, 0, 2.0f);
    list.add(10, evPinMessage).add(20, evStreamStatusA).add(30, 99).add(40, evPinValue, 7);
    list.add(64, evPinValue);
    const MpTimedEvent* events = list.head();

    const long before = allocationCount();
    for (int i = 0; i < 100; ++i) {
        module->processBlock(64, i % 3 == 0 ? events : nullptr);
        module->processBlock(17, nullptr);
    }
    const long after = allocationCount();
    EXPECT_EQ(after - before, 0);
    EXPECT_GT(module->rendered, 0);
    EXPECT_GT(host.sleepRequests, 0);
    module->Release();
}

} // namespace
