// The sleep rule: one more host block after outputs stop streaming, then a
// sleep request at the end of a full block.
#include "MpResult.h"
#include "TraceModule.h"

#include <gtest/gtest.h>

namespace {

using namespace fwtest;

class Sleep : public ::testing::Test {
protected:
    void SetUp() override {
        module = new TraceModule(&host, trace);
        module->AddRef();
        module->activate();
    }
    void TearDown() override { module->Release(); }

    Trace block(int32_t length, EventList events = {}) {
        trace.clear();
        module->processBlock(length, events.head());
        return trace;
    }
    static EventList value(int32_t offset) {
        return std::move(EventList().add(offset, evPinValue));
    }
    static EventList initial(int32_t offset) {
        return std::move(EventList().add(offset, evInitialUpdate));
    }
    void startStreaming() { block(0, initial(0)); }

    Trace trace;
    TraceHost host{trace, 64};
    TraceModule* module = nullptr;
};

TEST_F(Sleep, ActivatedModuleStartsSpent) {
    EXPECT_EQ(block(64), Trace{"requestSleep"});
    EXPECT_EQ(block(64), Trace{"requestSleep"});
    EXPECT_EQ(module->rendered, 0);
}

TEST_F(Sleep, StopAtBlockStartRendersOneBlockThenSleeps) {
    startStreaming();
    EXPECT_EQ(block(64, value(0)),
              (Trace{"before(0)", "dispatch(0)", "pinsUpdated", "postPinStreaming(0,1,0)",
                     "after(0)", "render(0,64)", "requestSleep"}));
    EXPECT_EQ(block(64), Trace{"requestSleep"});
}

TEST_F(Sleep, StopInsideBlockCarriesIntoTheNextBlock) {
    startStreaming();
    EXPECT_EQ(block(64, value(10)),
              (Trace{"render(0,10)", "before(0)", "dispatch(0)", "pinsUpdated",
                     "postPinStreaming(10,1,0)", "after(0)", "render(10,54)"}));
    EXPECT_EQ(block(64), (Trace{"render(0,10)", "requestSleep"}));
    EXPECT_EQ(block(64), Trace{"requestSleep"});
    EXPECT_EQ(host.sleepRequests, 2);
}

TEST_F(Sleep, SecondStopRestartsTheCountdown) {
    startStreaming();
    block(64, value(10));
    // 10 samples of countdown left; a new value at 5 restarts it at 64 from there.
    EXPECT_EQ(block(64, value(5)), (Trace{"render(0,5)", "before(0)", "dispatch(0)", "pinsUpdated",
                                          "postPinStreaming(5,1,0)", "after(0)", "render(5,59)"}));
    EXPECT_EQ(block(64), (Trace{"render(0,5)", "requestSleep"}));
    EXPECT_EQ(module->streaming(), 0) << "a not-streaming report on a stopped output";
}

TEST_F(Sleep, StreamingDuringCountdownRendersDirectly) {
    startStreaming();
    block(64, value(10));
    EXPECT_EQ(block(64, initial(4)),
              (Trace{"render(0,4)", "initial(1)", "postPinStreaming(4,1,1)", "render(4,60)"}));
    EXPECT_FALSE(module->activeIsPreSleep());
    EXPECT_EQ(block(64), Trace{"render(0,64)"});
}

TEST_F(Sleep, ShortBlocksUseTheCountdownButNeverSleep) {
    startStreaming();
    block(64, value(0));
    EXPECT_EQ(block(64), Trace{"requestSleep"});
    // Restart, then feed short blocks: the countdown is used up, no sleep request.
    block(16, value(0));
    EXPECT_EQ(module->countdown(), 48);
    EXPECT_EQ(block(32), Trace{"render(0,32)"});
    EXPECT_EQ(block(32), Trace{"render(0,16)"});
    EXPECT_EQ(block(32), Trace{});
    EXPECT_EQ(block(64), Trace{"requestSleep"});
}

TEST_F(Sleep, SpentModuleAsksOnlyAtTheBlockEnd) {
    host.recordBlockSizeQueries = true;
    EventList events;
    events.add(10, 99).add(20, 99);
    trace.clear();
    host.calls.clear();
    module->processBlock(64, events.head());
    EXPECT_EQ(trace, Trace{"requestSleep"});
    using testkit::HostCall;
    const std::vector<HostCall> expected = {
        {HostCall::BlockSize}, {HostCall::BlockSize}, {HostCall::BlockSize}, {HostCall::Sleep}};
    EXPECT_EQ(host.calls, expected) << "one query per stretch, one request at the end";
}

TEST_F(Sleep, StreamingIsCountedOnce) {
    startStreaming();
    block(0, initial(0));
    EXPECT_EQ(module->streaming(), 1);
    block(64, value(0));
    EXPECT_EQ(module->streaming(), 0);
    block(64, value(0));
    EXPECT_EQ(module->streaming(), 0) << "never negative";
    EXPECT_TRUE(module->activeIsPreSleep());
    EXPECT_EQ(module->countdown(), 0) << "the second block used up the restarted countdown";
}

TEST_F(Sleep, SetBlockRoutineKeepsTheState) {
    startStreaming();
    module->setBlockRoutine(&TraceModule::otherRender);
    EXPECT_EQ(block(64), Trace{"other(0,64)"}) << "Rendering: both routines replaced";

    module->setBlockRoutine(&TraceModule::render);
    block(64, value(32));
    module->setBlockRoutine(&TraceModule::otherRender);
    EXPECT_TRUE(module->activeIsPreSleep());
    EXPECT_EQ(block(64), (Trace{"other(0,32)", "requestSleep"}))
        << "Countdown: the rest is rendered with the new routine";
}

TEST_F(Sleep, NonPositiveHostBlockSizeRendersNothing) {
    for (int32_t size : {0, -1, -64}) {
        startStreaming();
        host.blockSize = size;
        Trace t = block(64, value(0));
        EXPECT_EQ(module->countdown(), 0) << size;
        EXPECT_EQ(std::count(t.begin(), t.end(), "render(0,64)"), 0) << size;
        EXPECT_EQ(std::count(t.begin(), t.end(), "requestSleep"), 0) << size;
        host.blockSize = 64;
    }
}

TEST_F(Sleep, HostResultsChangeNothing) {
    host.serviceResult = mpFailed;
    startStreaming();
    EXPECT_EQ(block(64, value(10)).back(), "render(10,54)");
    EXPECT_EQ(block(64), (Trace{"render(0,10)", "requestSleep"}));
}

} // namespace
