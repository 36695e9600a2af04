// fuzz-events: random event lists, inside and outside the host's promise,
// for a bounded time. Every case is derived from the seed and its index, so
// the printed seed reproduces a failure.
#include "Catalogue.h"
#include "CheckRunner.h"
#include "CheckSupport.h"
#include "Session.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <climits>
#include <random>

namespace mpvalidate {

namespace {

constexpr int blocksPerCase = 8;

MpTimedEvent randomEvent(std::mt19937_64& random, const ModuleInfo& module, int32_t size,
                         std::array<unsigned char, 64>& payload) {
    auto pick = [&](int32_t low, int32_t high) {
        return std::uniform_int_distribution<int32_t>(low, high)(random);
    };
    MpTimedEvent event{};
    event.kind = pick(99, 105);
    if (pick(0, 99) < 85) {
        event.sampleOffset = pick(0, size);
    } else {
        const int32_t outside[] = {-1, -1000, size + 1, size * 2, INT_MAX, INT_MIN};
        event.sampleOffset = outside[pick(0, 5)];
    }
    if (!module.pins.empty() && pick(0, 99) < 80) {
        event.pinId =
            module.pins[static_cast<size_t>(pick(0, static_cast<int32_t>(module.pins.size()) - 1))]
                .id;
    } else {
        const int32_t strange[] = {-1, 99999, INT_MIN};
        event.pinId = strange[pick(0, 2)];
    }
    event.byteCount = pick(-4, 64);
    for (unsigned char& byte : payload) {
        byte = static_cast<unsigned char>(pick(0, 255));
    }
    if (pick(0, 1) == 0) {
        std::copy_n(payload.begin(), sizeof event.inlineBytes, event.inlineBytes);
    } else {
        event.extraData = payload.data();
    }
    return event;
}

CheckResult fuzzEvents(const CheckContext& context) {
    CheckResult skipped;
    if (noModules(context, skipped)) {
        return skipped;
    }
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::duration<double>(context.fuzzSeconds);
    uint64_t index = 0;
    do {
        std::mt19937_64 random(context.seed + index * 0x9E3779B97F4A7C15ull);
        const ModuleInfo& module = context.modules[index % context.modules.size()];
        const int32_t size = std::uniform_int_distribution<int32_t>(0, 3)(random) == 0
                                 ? context.blockSizes[index % context.blockSizes.size()]
                                 : std::uniform_int_distribution<int32_t>(1, 512)(random);
        const std::string at = "seed " + std::to_string(context.seed) + ", case " +
                               std::to_string(index) + " (block size " + std::to_string(size) + ")";
        noteProgress(at + "; --seed " + std::to_string(context.seed) + " reproduces it");
        try {
            Session session(context, module, size);
            std::vector<std::array<unsigned char, 64>> payloads(9);
            for (int block = 0; block < blocksPerCase; ++block) {
                const int count = std::uniform_int_distribution<int>(0, 8)(random);
                std::vector<MpTimedEvent> drawn;
                for (int i = 0; i < count; ++i) {
                    drawn.push_back(
                        randomEvent(random, module, size, payloads[static_cast<size_t>(i)]));
                }
                if (std::uniform_int_distribution<int>(0, 9)(random) != 0) {
                    std::stable_sort(drawn.begin(), drawn.end(), [](const auto& a, const auto& b) {
                        return a.sampleOffset < b.sampleOffset;
                    });
                }
                EventList events;
                if (block == 0) {
                    events.add(initialUpdateEvent(0));
                }
                for (const MpTimedEvent& event : drawn) {
                    events.add(event);
                }
                session.process(size, events, "block " + std::to_string(block + 1));
            }
        } catch (const CheckFailure& failure) {
            throw CheckFailure(at + ", " + failure.what() + "; --seed " +
                               std::to_string(context.seed) + " reproduces it");
        }
        ++index;
    } while (std::chrono::steady_clock::now() < deadline);
    return {};
}

} // namespace

std::vector<CheckInfo> fuzzChecks() {
    return {
        {"fuzz-events",
         "random event lists (kinds 99-105, offsets in and out of the block, odd payloads) "
         "never make the module write outside its buffers",
         fuzzEvents},
    };
}

} // namespace mpvalidate
