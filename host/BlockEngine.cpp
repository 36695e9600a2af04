#include "BlockEngine.h"

#include "HostError.h"
#include "MpResult.h"

#include <algorithm>
#include <cstring>

namespace mphost {

BlockEngine::BlockEngine(gmpi::IMpPlugin& module, testkit::RecordingHost& host,
                         const ModuleDescription& description, int32_t blockSize)
    : module_(module), host_(host), blockSize_(blockSize) {
    if (blockSize < 1) {
        throw HostError("the block size must be at least 1, not " + std::to_string(blockSize));
    }
    for (const auto& pin : description.pins) {
        if (!pin.isAudio()) {
            continue;
        }
        if (pin.isOutput()) {
            outputPins_.push_back(pin.id);
            outputBuffers_.emplace_back(static_cast<size_t>(blockSize), 0.0f);
        } else {
            inputPins_.push_back(pin.id);
            inputBuffers_.emplace_back(static_cast<size_t>(blockSize), 0.0f);
        }
    }
}

void BlockEngine::start() {
    host_.blockSize = blockSize_;
    auto assign = [this](int32_t pinId, std::vector<float>& buffer) {
        const int32_t result = module_.assignBuffer(pinId, buffer.data());
        if (result != mpOk) {
            throw HostError("the module refuses a buffer for pin " + std::to_string(pinId) +
                            " (result " + std::to_string(result) + ")");
        }
    };
    for (size_t i = 0; i < inputPins_.size(); ++i) {
        assign(inputPins_[i], inputBuffers_[i]);
    }
    for (size_t i = 0; i < outputPins_.size(); ++i) {
        assign(outputPins_[i], outputBuffers_[i]);
    }
    const int32_t result = module_.activate();
    if (result != mpOk) {
        throw HostError("the module's activate failed (result " + std::to_string(result) + ")");
    }
}

BlockRecord BlockEngine::runBlock(const std::vector<ScheduledEvent>& events) {
    BlockRecord record;
    record.index = nextBlock_++;
    record.firstSample = record.index * blockSize_;
    record.length = blockSize_;
    record.events = events;

    if (!asleep_ || !events.empty()) {
        records_.assign(events.size(), MpTimedEvent{});
        for (size_t i = 0; i < events.size(); ++i) {
            const ScheduledEvent& event = events[i];
            MpTimedEvent& timed = records_[i];
            timed.sampleOffset = static_cast<int32_t>(event.sample - record.firstSample);
            timed.kind = event.kind;
            timed.pinId = event.pinId;
            timed.byteCount = static_cast<int32_t>(event.payload.size());
            if (event.payload.empty()) {
                // Nothing to carry: inlineBytes stays zero and extraData null.
            } else if (event.payload.size() <= sizeof timed.inlineBytes) {
                std::memcpy(timed.inlineBytes, event.payload.data(), event.payload.size());
            } else {
                timed.extraData = event.payload.data();
            }
            timed.next = i + 1 < events.size() ? &records_[i + 1] : nullptr;
        }
        const size_t sleepsBefore = static_cast<size_t>(host_.sleepRequests);
        module_.processBlock(blockSize_, records_.empty() ? nullptr : records_.data());
        record.processed = true;
        asleep_ = static_cast<size_t>(host_.sleepRequests) > sleepsBefore;
    }
    record.calls = std::move(host_.calls);
    host_.calls.clear();
    record.outputs = outputBuffers_;
    return record;
}

} // namespace mphost
