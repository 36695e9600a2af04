#include "RunSession.h"

#include "HostError.h"
#include "ModuleInstance.h"
#include "MpTimedEvent.h"
#include "RecordingHost.h"

#include <algorithm>
#include <cmath>

namespace mphost {

namespace {

const ModuleDescription& chooseModule(const LibraryDescription& description,
                                      const std::string& id) {
    if (description.modules.empty()) {
        throw HostError("the description lists no module");
    }
    if (id.empty()) {
        return description.modules.front();
    }
    if (const ModuleDescription* module = description.findModule(id)) {
        return *module;
    }
    std::string known;
    for (const auto& module : description.modules) {
        known += (known.empty() ? "\"" : ", \"") + module.id + "\"";
    }
    throw HostError("unknown module id \"" + id + "\"; the library describes " + known);
}

std::string valueLabel(const PinDescription& pin, const std::string& value) {
    return std::to_string(pin.id) + "=" + value;
}

// The events of the run in sample order: the starting group at sample 0
// (evInitialUpdate, then each control input's starting value, taken from a
// request at sample 0 where there is one), then the other requests in the
// order given.
std::vector<ScheduledEvent> scheduleEvents(const ModuleDescription& module,
                                           const std::vector<SetRequest>& requests) {
    std::vector<ScheduledEvent> events;
    events.push_back({0, evInitialUpdate, -1, {}, "init"});
    std::vector<bool> used(requests.size(), false);
    for (const auto& pin : module.pins) {
        if (!pin.isInput() || pin.isAudio() || !canEncode(pin)) {
            continue;
        }
        ScheduledEvent start{0, evPinValue, pin.id, zeroValue(pin), valueLabel(pin, "0")};
        for (size_t i = 0; i < requests.size(); ++i) {
            if (!used[i] && requests[i].sample == 0 &&
                targetPin(module, requests[i]).id == pin.id) {
                start.payload = encodeValue(pin, requests[i].value);
                start.label = valueLabel(pin, requests[i].value);
                used[i] = true;
                break;
            }
        }
        events.push_back(std::move(start));
    }
    std::vector<ScheduledEvent> later;
    for (size_t i = 0; i < requests.size(); ++i) {
        if (used[i]) {
            continue;
        }
        const PinDescription& pin = targetPin(module, requests[i]);
        later.push_back({requests[i].sample, evPinValue, pin.id,
                         encodeValue(pin, requests[i].value), valueLabel(pin, requests[i].value)});
    }
    std::stable_sort(later.begin(), later.end(),
                     [](const auto& a, const auto& b) { return a.sample < b.sample; });
    events.insert(events.end(), later.begin(), later.end());
    return events;
}

int64_t runLength(const RunSettings& settings, const std::vector<ScheduledEvent>& events) {
    if (settings.blocks) {
        if (*settings.blocks < 1) {
            throw HostError("--blocks must be at least 1");
        }
        return *settings.blocks;
    }
    if (settings.seconds) {
        const double blocks = std::ceil(*settings.seconds * settings.sampleRate /
                                        static_cast<double>(settings.blockSize));
        if (!(blocks >= 1) || blocks > 1e9) {
            throw HostError("--seconds must give between 1 and 1e9 blocks");
        }
        return static_cast<int64_t>(blocks);
    }
    // Long enough to show the last event, the block after it and a sleep.
    const int64_t lastBlock = events.back().sample / settings.blockSize;
    return std::max<int64_t>(4, lastBlock + 3);
}

} // namespace

RunResult runModule(const ModuleLibrary& library, const RunSettings& settings) {
    if (settings.blockSize < 1) {
        throw HostError("the block size must be at least 1, not " +
                        std::to_string(settings.blockSize));
    }
    if (!(settings.sampleRate > 0) || !std::isfinite(settings.sampleRate)) {
        throw HostError("the sample rate must be a positive number");
    }
    const LibraryDescription description = library.description();
    RunResult result;
    result.library = library.path().string();
    result.module = chooseModule(description, settings.moduleId);
    result.blockSize = settings.blockSize;
    result.sampleRate = settings.sampleRate;

    std::vector<SetRequest> requests;
    for (const auto& text : settings.setTexts) {
        requests.push_back(parseSetRequest(text, settings.sampleRate));
        const PinDescription& pin = targetPin(result.module, requests.back());
        try {
            encodeValue(pin, requests.back().value);
        } catch (const HostError& error) {
            throw HostError("--set '" + text + "': " + error.what());
        }
    }
    const std::vector<ScheduledEvent> events = scheduleEvents(result.module, requests);
    const int64_t blockCount = runLength(settings, events);
    const int64_t totalSamples = blockCount * settings.blockSize;
    for (const auto& event : events) {
        if (event.sample >= totalSamples) {
            throw HostError("the event " + event.label + " at sample " +
                            std::to_string(event.sample) + " lies past the end of the run (" +
                            std::to_string(totalSamples) + " samples)");
        }
    }

    testkit::RecordingHost host(settings.blockSize);
    ModuleInstance instance(*library.factory(), result.module.id, host);
    BlockEngine engine(instance.plugin(), host, result.module, settings.blockSize);
    engine.start();
    result.outputPins = engine.outputPins();

    auto next = events.begin();
    for (int64_t block = 0; block < blockCount; ++block) {
        const int64_t end = (block + 1) * settings.blockSize;
        std::vector<ScheduledEvent> inBlock;
        for (; next != events.end() && next->sample < end; ++next) {
            inBlock.push_back(*next);
        }
        result.blocks.push_back(engine.runBlock(inBlock));
    }
    return result;
}

} // namespace mphost
