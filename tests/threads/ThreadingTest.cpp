// Several threads drive instances of their own, all made by the one shared
// factory, for many blocks with changing values. Instances share no mutable
// state, so this is clean under ThreadSanitizer; every sample is checked to
// the bit against the conversion computed in the thread that checks it.
#include "MpFactory.h"
#include "MpResult.h"
#include "Quorvale.h"
#include "RecordingHost.h"
#include "TimeToVolts.h"

#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cmath>
#include <cstring>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using testkit::HostCall;

constexpr uint32_t untouched = 0x7FC0DEAD; // a tagged NaN no conversion produces
constexpr int32_t blockSize = 64;
constexpr int threadCount = 4;
constexpr int instancesPerThread = 3;
constexpr int rounds = 4;
constexpr int blocksPerRound = 600;

// One instance and what the thread knows about it: the value it holds, the
// value before, and how many samples of the next block the countdown still
// renders.
struct Driven {
    gmpi::IMpPlugin* module = nullptr;
    testkit::RecordingHost host{blockSize};
    std::array<float, blockSize> samples{};
    float value = 1.0f;
    int32_t carry = 0;
};

// Runs in one worker thread; returns a description of the first mismatch, or
// an empty text when every output and every host call was as expected.
std::string driveInstances(unsigned seed) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<float> decades(-4.0f, 3.0f);
    std::uniform_int_distribution<int32_t> offsets(0, blockSize); // blockSize: no event
    std::ostringstream failure;

    for (int round = 0; round < rounds; ++round) {
        std::vector<Driven> instances(instancesPerThread);
        for (Driven& d : instances) {
            void* out = nullptr;
            if (factoryInstance()->createModule(quorvaleModuleId, 0, &d.host, &out) != mpOk) {
                return "createModule failed";
            }
            d.module = static_cast<gmpi::IMpPlugin*>(out);
            d.module->assignBuffer(1, d.samples.data());
            d.module->activate();
            // First block: announce the output and set the first value at 0;
            // the whole block then carries that value.
            MpTimedEvent first[2] = {};
            first[0] = {0, evInitialUpdate, 0, 0, {}, nullptr, &first[1]};
            first[1] = {0, evPinValue, 0, 4, {}, &d.value, nullptr};
            d.module->processBlock(blockSize, first);
            const uint32_t expected = std::bit_cast<uint32_t>(quorvale::timeToVolts(d.value));
            for (int32_t i = 0; i < blockSize; ++i) {
                if (std::bit_cast<uint32_t>(d.samples[i]) != expected) {
                    failure << "first block, sample " << i;
                    return failure.str();
                }
            }
            d.host.calls.clear();
        }

        for (int block = 0; block < blocksPerRound; ++block) {
            for (Driven& d : instances) {
                const int32_t offset = offsets(random);
                const float before = d.value;
                const float after = offset < blockSize ? std::pow(10.0f, decades(random)) : before;
                d.samples.fill(std::bit_cast<float>(untouched));

                MpTimedEvent change{offset, evPinValue, 0, 4, {}, nullptr, nullptr};
                std::memcpy(change.inlineBytes, &after, sizeof after);
                d.module->processBlock(blockSize, offset < blockSize ? &change : nullptr);

                // Before the change the countdown left from the last change
                // renders the old value; from the change on, the new value
                // fills the rest of the block; between the two nothing is
                // written.
                const uint32_t oldBits = std::bit_cast<uint32_t>(quorvale::timeToVolts(before));
                const uint32_t newBits = std::bit_cast<uint32_t>(quorvale::timeToVolts(after));
                for (int32_t i = 0; i < blockSize; ++i) {
                    const uint32_t want = i >= offset                     ? newBits
                                          : i < std::min(d.carry, offset) ? oldBits
                                                                          : untouched;
                    const uint32_t got = std::bit_cast<uint32_t>(d.samples[i]);
                    if (got != want) {
                        failure << "round " << round << " block " << block << " sample " << i
                                << ": got 0x" << std::hex << got << ", want 0x" << want;
                        return failure.str();
                    }
                }

                std::vector<HostCall> wantCalls;
                if (offset < blockSize) {
                    wantCalls.emplace_back(HostCall::PinStreaming, offset, 1, 0);
                }
                if (offset == 0 || offset == blockSize) {
                    wantCalls.emplace_back(HostCall::Sleep);
                }
                if (d.host.calls != wantCalls) {
                    failure << "round " << round << " block " << block << ": host calls differ";
                    return failure.str();
                }
                d.host.calls.clear();
                d.value = after;
                d.carry = offset < blockSize ? offset : 0;
            }
        }

        for (Driven& d : instances) {
            if (d.module->Release() != 0 || d.host.refCount != 1) {
                return "release left references behind";
            }
        }
    }
    return {};
}

TEST(Threads, InstancesOfOneFactoryRunInParallelToTheBit) {
    std::vector<std::string> results(threadCount);
    std::vector<std::thread> threads;
    for (int t = 0; t < threadCount; ++t) {
        threads.emplace_back(
            [t, &results] { results[t] = driveInstances(0x51u + static_cast<unsigned>(t)); });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    for (int t = 0; t < threadCount; ++t) {
        EXPECT_EQ(results[t], "") << "thread " << t;
    }
}

} // namespace
