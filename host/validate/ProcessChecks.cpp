// process-*: block sizes, event positions, groups of events and allocations
// inside processBlock. Output buffers are guarded on both sides and start out
// as tagged NaNs, so stray writes and unrendered samples both show.
#include "AllocationCounter.h"
#include "Catalogue.h"
#include "CheckSupport.h"
#include "Session.h"

#include <random>

namespace mpvalidate {

namespace {

// The context's block sizes followed by three random ones from the seed.
std::vector<int32_t> blockSizesToTry(const CheckContext& context) {
    std::vector<int32_t> sizes = context.blockSizes;
    std::mt19937_64 random(context.seed);
    std::uniform_int_distribution<int32_t> size(1, 4096);
    for (int i = 0; i < 3; ++i) {
        sizes.push_back(size(random));
    }
    return sizes;
}

std::string pinText(int32_t pin) {
    return "pin " + std::to_string(pin);
}

CheckResult blockSizes(const CheckContext& context) {
    CheckResult skipped;
    if (noModules(context, skipped)) {
        return skipped;
    }
    for (const ModuleInfo& module : context.modules) {
        for (int32_t size : blockSizesToTry(context)) {
            const std::string at = "block size " + std::to_string(size);
            Session session(context, module, size);
            EventList start = session.startEvents(0.25f);
            session.process(size, start, at + ", first block");
            for (const auto& [pin, buffer] : session.outputs) {
                const int32_t missing = buffer->firstUnwritten(0, size);
                require(missing < 0, at + ": sample " + std::to_string(missing) + " of " +
                                         pinText(pin) +
                                         " was not rendered in the first block after the "
                                         "initial update and value");
            }
            for (int block = 2; block <= 4; ++block) {
                session.markAllUnwritten();
                session.process(size, at + ", block " + std::to_string(block));
            }
        }
    }
    return {};
}

// Two instances driven alike, except that one gets events the other does not;
// samples before the events' offset must come out the same in both.
void compareBefore(Session& with, Session& without, int32_t offset, const std::string& at) {
    for (size_t i = 0; i < with.outputs.size(); ++i) {
        const GuardedBuffer& a = *with.outputs[i].second;
        const GuardedBuffer& b = *without.outputs[i].second;
        for (int32_t s = 0; s < offset && s < a.size(); ++s) {
            require(bitsOf(a.data()[s]) == bitsOf(b.data()[s]),
                    at + ": sample " + std::to_string(s) + " of " + pinText(with.outputs[i].first) +
                        " changed although the event comes later, at " + std::to_string(offset));
        }
    }
}

CheckResult eventOffsets(const CheckContext& context) {
    CheckResult skipped;
    if (noModules(context, skipped)) {
        return skipped;
    }
    for (const ModuleInfo& module : context.modules) {
        const std::vector<int32_t> inputs = valueInputs(module);
        if (inputs.empty()) {
            continue;
        }
        for (int32_t size : context.blockSizes) {
            for (int32_t offset : {0, size - 1, size}) {
                // The event comes in the first block, right after the first
                // update and values, or alone in the block after.
                for (const bool firstBlock : {true, false}) {
                    const std::string at = "block size " + std::to_string(size) + ", event at " +
                                           std::to_string(offset) +
                                           (firstBlock ? " of the first block" : " of block 2");
                    Session with(context, module, size);
                    Session without(context, module, size);
                    EventList withEvents = with.startEvents(0.25f);
                    EventList withoutEvents = without.startEvents(0.25f);
                    if (!firstBlock) {
                        with.process(size, withEvents, at + ", first block");
                        without.process(size, withoutEvents, at + ", first block");
                        with.markAllUnwritten();
                        without.markAllUnwritten();
                        withEvents = EventList();
                        withoutEvents = EventList();
                    }
                    for (int32_t pin : inputs) {
                        withEvents.add(valueEvent(offset, pin, 4.0f));
                    }
                    with.process(size, withEvents, at);
                    without.process(size, withoutEvents, at + ", without the event");
                    compareBefore(with, without, offset, at);
                    if (offset < size) {
                        for (const auto& [pin, buffer] : with.outputs) {
                            require(!buffer->unwritten(offset),
                                    at + ": the new value was not rendered at its offset on " +
                                        pinText(pin));
                        }
                    }
                }
            }
        }
    }
    return {};
}

CheckResult eventGroups(const CheckContext& context) {
    CheckResult skipped;
    if (noModules(context, skipped)) {
        return skipped;
    }
    for (const ModuleInfo& module : context.modules) {
        const std::vector<int32_t> inputs = valueInputs(module);
        if (inputs.empty()) {
            continue;
        }
        for (int32_t size : context.blockSizes) {
            const int32_t offset = size / 2;
            const std::string at =
                "block size " + std::to_string(size) + ", group at " + std::to_string(offset);
            // Several values for each input in one group against the last one alone.
            Session group(context, module, size);
            Session single(context, module, size);
            for (Session* s : {&group, &single}) {
                EventList start = s->startEvents(0.25f);
                s->process(size, start, at + ", first block");
            }
            EventList many;
            EventList last;
            for (int32_t pin : inputs) {
                many.add(valueEvent(offset, pin, 8.0f))
                    .add(plainEvent(offset, evPinMessage, pin))
                    .add(valueEvent(offset, pin, 2.0f));
                last.add(valueEvent(offset, pin, 2.0f));
            }
            const auto compare = [&](const std::string& when) {
                for (size_t i = 0; i < group.outputs.size(); ++i) {
                    const GuardedBuffer& a = *group.outputs[i].second;
                    const GuardedBuffer& b = *single.outputs[i].second;
                    for (int32_t s = 0; s < size; ++s) {
                        require(bitsOf(a.data()[s]) == bitsOf(b.data()[s]),
                                at + ", " + when + ": sample " + std::to_string(s) + " of " +
                                    pinText(group.outputs[i].first) +
                                    " differs from a group holding only the last value");
                    }
                }
            };
            group.process(size, many, at);
            single.process(size, last, at + ", last value alone");
            compare("the block of the group");
            group.process(size, at + ", the block after");
            single.process(size, at + ", the block after");
            compare("the block after");
        }
    }
    return {};
}

CheckResult noAllocation(const CheckContext& context) {
    CheckResult skipped;
    if (noModules(context, skipped)) {
        return skipped;
    }
    // The counter must see an allocation in this program before it can vouch for none.
    startCountingAllocations();
    static int* volatile probe;
    probe = new int(1);
    delete probe;
    // (The count is read before the message is built: building it allocates.)
    const long seen = stopCountingAllocations();
    require(seen == 1, "the allocation counter does not work in this program");
    for (const ModuleInfo& module : context.modules) {
        const std::vector<int32_t> inputs = valueInputs(module);
        for (int32_t size : {64, 1024}) {
            Session session(context, module, size);
            std::vector<EventList> blocks(6);
            blocks[0] = session.startEvents(0.5f);
            for (int32_t pin : inputs) {
                blocks[2]
                    .add(valueEvent(10, pin, 1.5f))
                    .add(valueEvent(10, pin, 2.5f))
                    .add(plainEvent(20, evStreamStatusA, pin))
                    .add(plainEvent(20, evStreamStatusB, pin))
                    .add(plainEvent(30, evPinMessage, pin));
                blocks[5].add(valueEvent(size - 1, pin, 3.5f));
            }
            blocks[2].add(initialUpdateEvent(40)).add(plainEvent(50, 99, 0));
            for (size_t b = 0; b < blocks.size(); ++b) {
                const MpTimedEvent* first = blocks[b].first();
                startCountingAllocations();
                session.plugin->processBlock(size, first);
                const long count = stopCountingAllocations();
                require(count == 0, "processBlock allocated " + std::to_string(count) +
                                        " times (block size " + std::to_string(size) + ", block " +
                                        std::to_string(b + 1) + ")");
            }
        }
    }
    return {};
}

} // namespace

std::vector<CheckInfo> processChecks() {
    return {
        {"process-block-sizes",
         "block sizes 1 to 4096 and random ones: the whole block rendered, nothing outside it",
         blockSizes},
        {"process-event-offsets",
         "events at offset 0, at the last sample and at the block end act from their offset on",
         eventOffsets},
        {"process-event-groups",
         "several events at one offset: the last value wins, as if it came alone", eventGroups},
        {"process-no-allocation", "processBlock never calls operator new", noAllocation},
    };
}

} // namespace mpvalidate
