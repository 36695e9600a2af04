// One run of a module as `mphost run` does it: creates the instance with a
// recording host, starts the block engine, sends evInitialUpdate and every
// control input's starting value at sample 0, then each requested value at
// its sample, and records every block. Blocking and single-threaded; the
// library must stay loaded for the call.
#pragma once

#include "BlockEngine.h"
#include "ModuleLibrary.h"
#include "PinValues.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace mphost {

struct RunSettings {
    std::string moduleId; // empty: the first module described
    int32_t blockSize = 128;
    double sampleRate = 48000.0;
    std::optional<double> seconds;     // run length in seconds, rounded up to whole blocks
    std::optional<int64_t> blocks;     // run length in blocks
    std::vector<std::string> setTexts; // "[PIN=]VALUE@TIME"
};

struct RunResult {
    std::string library;
    ModuleDescription module;
    int32_t blockSize = 0;
    double sampleRate = 0;
    std::vector<int32_t> outputPins; // output audio pins, the order of BlockRecord::outputs
    std::vector<BlockRecord> blocks;
};

// Checks the settings against the description and runs the module. Throws
// HostError for an unknown module id, a bad --set, a block size below 1, a
// sample rate that is not positive, a run length below one block, or an event
// past the end of the run.
RunResult runModule(const ModuleLibrary& library, const RunSettings& settings);

} // namespace mphost
