// sleep-*: once a module has asked to sleep it writes nothing until an event
// wakes it, an event does wake it, and the signal it leaves behind is constant.
#include "Catalogue.h"
#include "CheckSupport.h"
#include "Session.h"

#include <vector>

namespace mpvalidate {

namespace {

constexpr int maxBlocksToSleep = 8;

// Processes events, then empty blocks, until the module asks to sleep; returns
// whether it did within maxBlocksToSleep blocks.
bool runUntilSleep(Session& session, EventList& events, const std::string& at) {
    const int32_t before = session.host.sleepRequests;
    session.process(session.blockSize, events, at + ", block 1");
    for (int block = 2; block <= maxBlocksToSleep && session.host.sleepRequests == before;
         ++block) {
        session.process(session.blockSize, at + ", block " + std::to_string(block));
    }
    return session.host.sleepRequests > before;
}

std::string noSleep(const std::string& at) {
    return at + ": the module did not ask to sleep within " + std::to_string(maxBlocksToSleep) +
           " blocks of its last value";
}

CheckResult silent(const CheckContext& context) {
    CheckResult skipped;
    if (noModules(context, skipped)) {
        return skipped;
    }
    for (const ModuleInfo& module : context.modules) {
        for (int32_t size : context.blockSizes) {
            const std::string at = "block size " + std::to_string(size);
            Session session(context, module, size);
            EventList start = session.startEvents(0.5f);
            if (!runUntilSleep(session, start, at)) {
                return {Status::Skip, noSleep(at)};
            }
            for (int block = 1; block <= 3; ++block) {
                session.markAllUnwritten();
                session.process(size, at + ", asleep");
                for (const auto& [pin, buffer] : session.outputs) {
                    const int32_t written = buffer->firstWritten(0, size);
                    require(written < 0, at + ": wrote sample " + std::to_string(written) +
                                             " of pin " + std::to_string(pin) + " in block " +
                                             std::to_string(block) +
                                             " after asking to sleep, with no event");
                }
            }
        }
    }
    return {};
}

CheckResult wake(const CheckContext& context) {
    CheckResult skipped;
    if (noModules(context, skipped)) {
        return skipped;
    }
    for (const ModuleInfo& module : context.modules) {
        const std::vector<int32_t> inputs = valueInputs(module);
        if (inputs.empty()) {
            return {Status::Skip, quoted(module) + " has no input to wake it with"};
        }
        for (int32_t size : context.blockSizes) {
            if (size < 2) {
                continue;
            }
            const int32_t offset = size / 2;
            const std::string at = "block size " + std::to_string(size);
            Session session(context, module, size);
            EventList start = session.startEvents(0.5f);
            if (!runUntilSleep(session, start, at)) {
                return {Status::Skip, noSleep(at)};
            }
            session.markAllUnwritten();
            EventList events;
            for (int32_t pin : inputs) {
                events.add(valueEvent(offset, pin, 2.0f));
            }
            session.process(size, events, at + ", waking at " + std::to_string(offset));
            for (const auto& [pin, buffer] : session.outputs) {
                const int32_t early = buffer->firstWritten(0, offset);
                require(early < 0, at + ": wrote sample " + std::to_string(early) + " of pin " +
                                       std::to_string(pin) + " before the waking event at " +
                                       std::to_string(offset));
                const int32_t missing = buffer->firstUnwritten(offset, size);
                require(missing < 0, at + ": after a value at " + std::to_string(offset) +
                                         " the module left sample " + std::to_string(missing) +
                                         " of pin " + std::to_string(pin) + " unrendered");
            }
        }
    }
    return {};
}

CheckResult constant(const CheckContext& context) {
    CheckResult skipped;
    if (noModules(context, skipped)) {
        return skipped;
    }
    for (const ModuleInfo& module : context.modules) {
        const std::vector<int32_t> inputs = valueInputs(module);
        if (inputs.empty()) {
            return {Status::Skip, quoted(module) + " has no input to change"};
        }
        for (int32_t size : context.blockSizes) {
            if (size < 2) {
                continue;
            }
            const int32_t offset = size / 2;
            const std::string at =
                "block size " + std::to_string(size) + ", value at " + std::to_string(offset);
            Session session(context, module, size);
            EventList start = session.startEvents(0.5f);
            if (!runUntilSleep(session, start, at)) {
                return {Status::Skip, noSleep(at)};
            }
            EventList change;
            for (int32_t pin : inputs) {
                change.add(valueEvent(offset, pin, 3.0f));
            }
            if (!runUntilSleep(session, change, at)) {
                return {Status::Skip, noSleep(at)};
            }
            std::vector<std::vector<uint32_t>> held;
            for (const auto& [pin, buffer] : session.outputs) {
                std::vector<uint32_t> bits;
                for (int32_t s = 0; s < size; ++s) {
                    bits.push_back(bitsOf(buffer->data()[s]));
                    require(bits.back() == bits.front(),
                            at + ": pin " + std::to_string(pin) + " holds " +
                                "different samples (0 and " + std::to_string(s) +
                                ") when the module asks to sleep, so the held signal is not "
                                "constant");
                }
                held.push_back(std::move(bits));
            }
            for (int block = 1; block <= 3; ++block) {
                session.process(size, at + ", asleep");
                for (size_t i = 0; i < session.outputs.size(); ++i) {
                    for (int32_t s = 0; s < size; ++s) {
                        require(bitsOf(session.outputs[i].second->data()[s]) == held[i][0],
                                at + ": the output of pin " +
                                    std::to_string(session.outputs[i].first) +
                                    " changed while the module slept");
                    }
                }
            }
        }
    }
    return {};
}

} // namespace

std::vector<CheckInfo> sleepChecks() {
    return {
        {"sleep-silent", "after requestSleep the module writes nothing until its next event",
         silent},
        {"sleep-wake", "a value event wakes a sleeping module and it renders from the event on",
         wake},
        {"sleep-constant",
         "when the module asks to sleep its output holds one value, and keeps it while asleep",
         constant},
    };
}

} // namespace mpvalidate
