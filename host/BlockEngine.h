// Drives one module instance block by block the way the host does: a buffer
// for every described audio pin, activate, then processBlock per block with
// that block's timed events. It honours requestSleep: after a block in which
// the module asked to sleep, blocks without events are not processed and the
// output buffers keep their samples; the next block with an event wakes it.
//
// The engine does not own the module or the host. The host must be the
// RecordingHost the module was created with; the engine reads and clears its
// recorded calls after each block. Not thread-safe.
#pragma once

#include "Description.h"
#include "IMpPlugin.h"
#include "RecordingHost.h"

#include <cstdint>
#include <string>
#include <vector>

namespace mphost {

// An event at an absolute sample position of the run.
struct ScheduledEvent {
    int64_t sample = 0;
    int32_t kind = 0;
    int32_t pinId = -1;
    std::vector<unsigned char> payload;
    std::string label; // how reports name it, e.g. "init" or "0=10"
};

// What happened in one block.
struct BlockRecord {
    int64_t index = 0;
    int64_t firstSample = 0;
    int32_t length = 0;
    bool processed = false;             // false: the module slept and was not called
    std::vector<ScheduledEvent> events; // the events delivered in this block
    std::vector<testkit::HostCall> calls;
    std::vector<std::vector<float>> outputs; // each output audio pin's buffer after the block
};

class BlockEngine {
public:
    BlockEngine(gmpi::IMpPlugin& module, testkit::RecordingHost& host,
                const ModuleDescription& description, int32_t blockSize);

    // Assigns a buffer to every described audio pin and activates the module.
    // Throws HostError when the module refuses a buffer or activation; the
    // host calls made meanwhile are kept for the first block's record.
    void start();

    // Runs the next block with the given events, which must lie inside it and
    // be sorted by sample.
    BlockRecord runBlock(const std::vector<ScheduledEvent>& events);

    bool asleep() const { return asleep_; }
    int32_t blockSize() const { return blockSize_; }
    // The ids of the output audio pins, in description order; the outputs of
    // every BlockRecord follow this order.
    const std::vector<int32_t>& outputPins() const { return outputPins_; }

private:
    gmpi::IMpPlugin& module_;
    testkit::RecordingHost& host_;
    int32_t blockSize_;
    std::vector<int32_t> outputPins_;
    std::vector<int32_t> inputPins_;
    std::vector<std::vector<float>> outputBuffers_;
    std::vector<std::vector<float>> inputBuffers_;
    std::vector<MpTimedEvent> records_;
    int64_t nextBlock_ = 0;
    bool asleep_ = false;
};

} // namespace mphost
