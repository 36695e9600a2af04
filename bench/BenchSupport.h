// Shared pieces of the benchmarks: the input value, event records, one
// converter created through the factory and brought into a chosen state, and
// the allocation counter reported per iteration.
#pragma once

#include "IMpPlugin.h"
#include "MpTimedEvent.h"
#include "QuietHost.h"

#include <benchmark/benchmark.h>

#include <cstdint>

namespace bench {

// The input every benchmark converts: 50 ms.
inline constexpr float inputSeconds = 0.05f;

MpTimedEvent valueEvent(int32_t offset, float seconds);
MpTimedEvent initialUpdateEvent(int32_t offset);

// Links events[0 .. count - 1] into the host's list and returns its head.
const MpTimedEvent* chain(MpTimedEvent* events, int32_t count);

// One Quorvale made by the factory, its output on buffer, activated. Owns one
// reference and releases it on destruction. Throws std::runtime_error when the
// factory refuses.
class Converter {
public:
    Converter(QuietHost& host, float* buffer);
    Converter(Converter&& other) noexcept;
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
    Converter& operator=(Converter&&) = delete;
    ~Converter();

    // Sets the input, then announces the output: every later block renders.
    void startStreaming(int32_t blockSize);
    // Sets the input and lets the countdown run out: later blocks render nothing.
    void spend(int32_t blockSize);

    gmpi::IMpPlugin* module = nullptr;
};

// Adds the fastest repetition ("min") to a benchmark's aggregates.
void withFastest(benchmark::internal::Benchmark* b);

// Allocations made between construction and report(), as a per-iteration counter.
class AllocationProbe {
public:
    AllocationProbe();
    void report(benchmark::State& state) const;

private:
    long start;
};

} // namespace bench
