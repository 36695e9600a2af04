// Block splitting, event grouping and the pass order of processBlock.
#include "MpResult.h"
#include "TraceModule.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

using namespace fwtest;

struct Ev {
    int32_t offset;
    int32_t kind;
    int32_t pinId = 0;
};

struct Row {
    const char* name;
    int32_t length;
    std::vector<Ev> events;
    Trace expected;
};

// A module that streams (Rendering), so every stretch goes to its routine.
class Streaming : public ::testing::Test {
protected:
    void SetUp() override {
        module = new TraceModule(&host, trace);
        module->AddRef();
        module->activate();
        EventList init;
        init.add(0, evInitialUpdate);
        module->processBlock(0, init.head());
        module->stopStreamingOnUpdate = false;
        trace.clear();
    }
    void TearDown() override { module->Release(); }

    Trace run(int32_t length, const std::vector<Ev>& events) {
        EventList list;
        for (const Ev& e : events) {
            list.add(e.offset, e.kind, e.pinId, 1.0f);
        }
        trace.clear();
        module->processBlock(length, list.head());
        return trace;
    }

    Trace trace;
    TraceHost host{trace};
    TraceModule* module = nullptr;
};

TEST_F(Streaming, SplitsBlocksAtEventGroups) {
    const Row rows[] = {
        {"no events", 64, {}, {"render(0,64)"}},
        {"empty block", 0, {}, {"render(0,0)"}},
        {"value at 10",
         64,
         {{10, evPinValue}},
         {"render(0,10)", "before(0)", "dispatch(0)", "pinsUpdated", "after(0)", "render(10,54)"}},
        {"value at 0",
         64,
         {{0, evPinValue}},
         {"before(0)", "dispatch(0)", "pinsUpdated", "after(0)", "render(0,64)"}},
        {"two values in one group, passes in list order",
         64,
         {{10, evPinValue, 1}, {10, evPinValue, 0}},
         {"render(0,10)", "before(1)", "before(0)", "dispatch(1)", "dispatch(0)", "pinsUpdated",
          "after(1)", "after(0)", "render(10,54)"}},
        {"two groups",
         64,
         {{10, evPinValue}, {20, evPinValue}},
         {"render(0,10)", "before(0)", "dispatch(0)", "pinsUpdated", "after(0)", "render(10,10)",
          "before(0)", "dispatch(0)", "pinsUpdated", "after(0)", "render(20,44)"}},
        {"event at the block end is not handled",
         64,
         {{10, evPinValue}, {64, evPinValue}},
         {"render(0,10)", "before(0)", "dispatch(0)", "pinsUpdated", "after(0)", "render(10,54)"}},
        {"events at 0 in an empty block are handled",
         0,
         {{0, evPinValue}},
         {"before(0)", "dispatch(0)", "pinsUpdated", "after(0)", "render(0,0)"}},
        {"value for an unknown pin still counts as a change",
         64,
         {{10, evPinValue, 7}},
         {"render(0,10)", "pinsUpdated", "render(10,54)"}},
        {"pin message is routed but changes nothing",
         64,
         {{10, evPinMessage}},
         {"render(0,10)", "before(0)", "dispatch(0)", "after(0)", "render(10,54)"}},
        {"stream status events count as changes",
         64,
         {{10, evStreamStatusA}, {10, evStreamStatusB}},
         {"render(0,10)", "before(0)", "before(0)", "dispatch(0)", "dispatch(0)", "pinsUpdated",
          "after(0)", "after(0)", "render(10,54)"}},
        {"initial update reaches output pins only",
         64,
         {{10, evInitialUpdate}},
         {"render(0,10)", "initial(1)", "postPinStreaming(10,1,1)", "render(10,54)"}},
        {"initial update runs in the dispatch pass",
         64,
         {{10, evInitialUpdate}, {10, evPinValue}},
         {"render(0,10)", "before(0)", "initial(1)", "postPinStreaming(10,1,1)", "dispatch(0)",
          "pinsUpdated", "after(0)", "render(10,54)"}},
        {"unknown kinds only split the block",
         64,
         {{10, 99}, {30, 105}},
         {"render(0,10)", "render(10,20)", "render(30,34)"}},
        // Lists that break the host's promise stay inside the block.
        {"negative length counts as 0", -5, {}, {"render(0,0)"}},
        {"negative length with an event",
         -5,
         {{3, evPinValue}},
         {"before(0)", "dispatch(0)", "pinsUpdated", "after(0)", "render(0,0)"}},
        {"negative offset is taken as 0",
         64,
         {{-5, evPinValue}},
         {"before(0)", "dispatch(0)", "pinsUpdated", "after(0)", "render(0,64)"}},
        {"offset past the block is taken as the block end",
         64,
         {{100, evPinValue}},
         {"render(0,64)"}},
        {"extreme offsets", 64, {{INT_MIN, 99}, {INT_MAX, evPinValue}}, {"render(0,64)"}},
        {"an earlier offset after a later one joins the current group",
         64,
         {{20, evPinValue}, {10, evPinMessage}},
         {"render(0,20)", "before(0)", "before(0)", "dispatch(0)", "dispatch(0)", "pinsUpdated",
          "after(0)", "after(0)", "render(20,44)"}},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(run(row.length, row.events), row.expected) << row.name;
    }
}

TEST_F(Streaming, BlockPositionIsTheGroupOffset) {
    EventList list;
    list.add(10, evPinValue).add(37, evPinMessage);
    module->processBlock(64, list.head());
    EXPECT_EQ(module->position(), 37) << "kept across the end of the block";
    EventList none;
    module->processBlock(64, none.head());
    EXPECT_EQ(module->position(), 37);
}

TEST_F(Streaming, RoutineSwappedInAGroupRendersFromTheNextStretch) {
    struct Swapper : TraceModule {
        using TraceModule::TraceModule;
        void pinsUpdated() override { setBlockRoutine(&TraceModule::otherRender); }
    };
    Trace local;
    TraceHost localHost(local);
    auto* swapper = new Swapper(&localHost, local);
    swapper->AddRef();
    swapper->activate();
    EventList init;
    init.add(0, evInitialUpdate);
    swapper->processBlock(0, init.head());
    local.clear();
    EventList list;
    list.add(10, evPinValue);
    swapper->processBlock(64, list.head());
    const Trace expected = {"render(0,10)", "before(0)", "dispatch(0)", "after(0)", "other(10,54)"};
    EXPECT_EQ(local, expected);
    swapper->Release();
}

} // namespace
