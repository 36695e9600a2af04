// How `mphost run` reports a run: per block whether the module was processed
// or slept, the events delivered, the host calls the module made and each
// output's samples as runs of equal values. Floats are printed so that they
// round-trip, with their volts (1.0 = 10 V) and their bit pattern.
#pragma once

#include "RunSession.h"

#include <nlohmann/json.hpp>

#include <string>
#include <vector>

namespace mphost {

// A stretch of equal samples (equal bit patterns).
struct SampleRun {
    int32_t count = 0;
    float value = 0;
};

std::vector<SampleRun> sampleRuns(const std::vector<float>& samples);

// The shortest text that reads back as the same float ("inf", "-inf", "nan"
// for the non-finite values).
std::string floatText(float value);
// "0x3F400000".
std::string bitsText(float value);
// The value in volts, value x 10, to nine significant digits.
std::string voltsText(float value);

std::string runTable(const RunResult& run);
std::string runCsv(const RunResult& run);
nlohmann::ordered_json runJson(const RunResult& run);

} // namespace mphost
