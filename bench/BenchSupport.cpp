#include "BenchSupport.h"

#include "AllocationCounter.h"
#include "MpFactory.h"
#include "MpResult.h"
#include "Quorvale.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <utility>
#include <vector>

namespace bench {

MpTimedEvent valueEvent(int32_t offset, float seconds) {
    MpTimedEvent e{};
    e.sampleOffset = offset;
    e.kind = evPinValue;
    e.pinId = 0;
    e.byteCount = sizeof(seconds);
    std::memcpy(e.inlineBytes, &seconds, sizeof(seconds));
    return e;
}

MpTimedEvent initialUpdateEvent(int32_t offset) {
    MpTimedEvent e{};
    e.sampleOffset = offset;
    e.kind = evInitialUpdate;
    return e;
}

const MpTimedEvent* chain(MpTimedEvent* events, int32_t count) {
    if (count <= 0) {
        return nullptr;
    }
    for (int32_t i = 0; i + 1 < count; ++i) {
        events[i].next = &events[i + 1];
    }
    events[count - 1].next = nullptr;
    return events;
}

Converter::Converter(QuietHost& host, float* buffer) {
    void* out = nullptr;
    if (factoryInstance()->createModule(quorvaleModuleId, 0, &host, &out) != mpOk) {
        throw std::runtime_error("createModule refused the converter");
    }
    module = static_cast<gmpi::IMpPlugin*>(out);
    if (module->assignBuffer(1, buffer) != mpOk || module->activate() != mpOk) {
        module->Release();
        throw std::runtime_error("the converter refused its buffer or activation");
    }
}

Converter::Converter(Converter&& other) noexcept : module(std::exchange(other.module, nullptr)) {}

Converter::~Converter() {
    if (module != nullptr) {
        module->Release();
    }
}

void Converter::startStreaming(int32_t blockSize) {
    MpTimedEvent value = valueEvent(0, inputSeconds);
    module->processBlock(blockSize, &value);
    MpTimedEvent update = initialUpdateEvent(0);
    module->processBlock(blockSize, &update);
}

void Converter::spend(int32_t blockSize) {
    MpTimedEvent value = valueEvent(0, inputSeconds);
    module->processBlock(blockSize, &value);
    module->processBlock(blockSize, nullptr);
}

void withFastest(benchmark::internal::Benchmark* b) {
    b->ComputeStatistics("min", [](const std::vector<double>& v) {
        return v.empty() ? 0.0 : *std::min_element(v.begin(), v.end());
    });
}

AllocationProbe::AllocationProbe() : start(allocationCount()) {}

void AllocationProbe::report(benchmark::State& state) const {
    state.counters["allocs"] = benchmark::Counter(static_cast<double>(allocationCount() - start),
                                                  benchmark::Counter::kAvgIterations);
}

} // namespace bench
