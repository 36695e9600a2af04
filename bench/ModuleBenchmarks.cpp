// The cost of a converter inside the host's audio callback, against the floor
// of the same work written plainly and against the per-sample formula route.
// Each benchmark checks after its loop that the module was in the state it
// claims to measure, and reports the allocations it made per iteration.
#include "BenchSupport.h"
#include "MpFactory.h"
#include "MpResult.h"
#include "PlainRoutes.h"
#include "Quorvale.h"
#include "TimeToVolts.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <vector>

namespace {

using bench::AllocationProbe;
using bench::Converter;
using bench::inputSeconds;

constexpr int32_t hostBlock = 128;

bool allEqual(const std::vector<float>& samples, float value) {
    const auto bits = std::bit_cast<uint32_t>(value);
    return std::all_of(samples.begin(), samples.end(),
                       [bits](float s) { return std::bit_cast<uint32_t>(s) == bits; });
}

// One conversion and one fill, compiled plainly: the least a block can cost.
void Floor(benchmark::State& state) {
    const auto n = static_cast<int32_t>(state.range(0));
    std::vector<float> out(n, 0.0f);
    // Read from memory on every block, as the module reads its pin; a volatile
    // load, because DoNotOptimize on a float loses the store with this compiler.
    volatile float input = inputSeconds;
    AllocationProbe probe;
    for (auto _ : state) {
        plain::floorBlock(input, out.data(), n);
        benchmark::ClobberMemory();
    }
    probe.report(state);
    if (!allEqual(out, quorvale::timeToVolts(inputSeconds))) {
        state.SkipWithError("the floor did not fill the block");
    }
}

// The conversion evaluated for every sample, as a general formula module does.
void NaiveRoute(benchmark::State& state) {
    const auto n = static_cast<int32_t>(state.range(0));
    std::vector<float> in(n, inputSeconds);
    std::vector<float> out(n, 0.0f);
    AllocationProbe probe;
    for (auto _ : state) {
        plain::naiveBlock(in.data(), out.data(), n);
        benchmark::ClobberMemory();
    }
    probe.report(state);
    if (!allEqual(out, quorvale::timeToVolts(inputSeconds))) {
        state.SkipWithError("the naive route did not fill the block");
    }
}

// A streaming converter and blocks without events: every block is rendered.
void Render(benchmark::State& state) {
    const auto n = static_cast<int32_t>(state.range(0));
    QuietHost host(n);
    std::vector<float> out(n, 0.0f);
    Converter converter(host, out.data());
    converter.startStreaming(n);
    std::fill(out.begin(), out.end(), 0.0f);
    const int64_t sleepsBefore = host.sleepRequests;
    AllocationProbe probe;
    for (auto _ : state) {
        converter.module->processBlock(n, nullptr);
        benchmark::ClobberMemory();
    }
    probe.report(state);
    if (host.lastStreaming != 1 || host.sleepRequests != sleepsBefore ||
        !allEqual(out, quorvale::timeToVolts(inputSeconds))) {
        state.SkipWithError("the converter was not rendering");
    }
}

// A spent converter: nothing to render, one sleep request per block.
void Sleeping(benchmark::State& state) {
    const auto n = static_cast<int32_t>(state.range(0));
    QuietHost host(n);
    std::vector<float> out(n, 0.0f);
    Converter converter(host, out.data());
    converter.spend(n);
    const float sentinel = -1234.5f;
    std::fill(out.begin(), out.end(), sentinel);
    const int64_t sleepsBefore = host.sleepRequests;
    AllocationProbe probe;
    for (auto _ : state) {
        converter.module->processBlock(n, nullptr);
        benchmark::ClobberMemory();
    }
    probe.report(state);
    if (host.sleepRequests - sleepsBefore != static_cast<int64_t>(state.iterations()) ||
        !allEqual(out, sentinel)) {
        state.SkipWithError("the converter was not asleep");
    }
}

// One value event in the middle of every block: the block renders in two
// stretches around the event, which restarts the countdown each time.
void OneValueEvent(benchmark::State& state) {
    const auto n = static_cast<int32_t>(state.range(0));
    QuietHost host(n);
    std::vector<float> out(n, 0.0f);
    Converter converter(host, out.data());
    converter.startStreaming(n);
    MpTimedEvent event = bench::valueEvent(n / 2, inputSeconds);
    const MpTimedEvent* events = bench::chain(&event, 1);
    converter.module->processBlock(n, events); // into the steady state
    std::fill(out.begin(), out.end(), 0.0f);
    const int64_t postsBefore = host.pinStreamings;
    const int64_t sleepsBefore = host.sleepRequests;
    AllocationProbe probe;
    for (auto _ : state) {
        converter.module->processBlock(n, events);
        benchmark::ClobberMemory();
    }
    probe.report(state);
    if (host.pinStreamings - postsBefore != static_cast<int64_t>(state.iterations()) ||
        host.sleepRequests != sleepsBefore || !allEqual(out, quorvale::timeToVolts(inputSeconds))) {
        state.SkipWithError("the events did not reach the converter");
    }
}

// A value event on every sample of the block.
void EventEverySample(benchmark::State& state) {
    const auto n = static_cast<int32_t>(state.range(0));
    QuietHost host(n);
    std::vector<float> out(n, 0.0f);
    Converter converter(host, out.data());
    converter.startStreaming(n);
    std::vector<MpTimedEvent> list;
    for (int32_t i = 0; i < n; ++i) {
        list.push_back(bench::valueEvent(i, inputSeconds));
    }
    const MpTimedEvent* events = bench::chain(list.data(), n);
    converter.module->processBlock(n, events);
    std::fill(out.begin(), out.end(), 0.0f);
    const int64_t postsBefore = host.pinStreamings;
    AllocationProbe probe;
    for (auto _ : state) {
        converter.module->processBlock(n, events);
        benchmark::ClobberMemory();
    }
    probe.report(state);
    state.counters["per_event"] = benchmark::Counter(
        n, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    if (host.pinStreamings - postsBefore != static_cast<int64_t>(state.iterations()) * n ||
        !allEqual(out, quorvale::timeToVolts(inputSeconds))) {
        state.SkipWithError("the events did not reach the converter");
    }
}

// N streaming converters, each with its own buffer, each processing one block.
void ManyInstances(benchmark::State& state) {
    const auto count = static_cast<int32_t>(state.range(0));
    QuietHost host(hostBlock);
    std::vector<float> out(static_cast<std::size_t>(count) * hostBlock, 0.0f);
    std::vector<Converter> converters;
    converters.reserve(count);
    for (int32_t i = 0; i < count; ++i) {
        converters.emplace_back(host, out.data() + static_cast<std::size_t>(i) * hostBlock);
        converters.back().startStreaming(hostBlock);
    }
    std::fill(out.begin(), out.end(), 0.0f);
    AllocationProbe probe;
    for (auto _ : state) {
        for (auto& converter : converters) {
            converter.module->processBlock(hostBlock, nullptr);
        }
        benchmark::ClobberMemory();
    }
    probe.report(state);
    state.counters["per_instance"] = benchmark::Counter(
        count, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    if (!allEqual(out, quorvale::timeToVolts(inputSeconds))) {
        state.SkipWithError("not every converter rendered");
    }
}

// createModule through the factory and the final Release.
void CreateAndRelease(benchmark::State& state) {
    QuietHost host(hostBlock);
    AllocationProbe probe;
    for (auto _ : state) {
        void* out = nullptr;
        if (factoryInstance()->createModule(quorvaleModuleId, 0, &host, &out) != mpOk) {
            state.SkipWithError("createModule refused the converter");
            break;
        }
        static_cast<gmpi::IMpPlugin*>(out)->Release();
    }
    probe.report(state);
    if (host.refCount != 1) {
        state.SkipWithError("a converter kept its host reference");
    }
}

void blockSizes(benchmark::internal::Benchmark* b) {
    for (int64_t n : {16, 64, 128, 512, 2048}) {
        b->Arg(n);
    }
}

} // namespace

BENCHMARK(Floor)->Apply(blockSizes)->Apply(bench::withFastest);
BENCHMARK(Render)->Apply(blockSizes)->Apply(bench::withFastest);
BENCHMARK(NaiveRoute)->Apply(blockSizes)->Apply(bench::withFastest);
BENCHMARK(Sleeping)->Arg(hostBlock)->Apply(bench::withFastest);
BENCHMARK(OneValueEvent)->Arg(hostBlock)->Apply(bench::withFastest);
BENCHMARK(EventEverySample)->Arg(hostBlock)->Apply(bench::withFastest);
BENCHMARK(ManyInstances)->Arg(1)->Arg(64)->Arg(1024)->Arg(16384)->Apply(bench::withFastest);
BENCHMARK(CreateAndRelease)->Apply(bench::withFastest);
