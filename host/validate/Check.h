// What a check is and what it gets to work with. A check runs on its own (in a
// child process unless the user asks otherwise), so it may load the library,
// crash or hang without harming the run; it reports a failure by throwing
// CheckFailure and a warning or skip by returning it.
#pragma once

#include "CheckResult.h"

#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

namespace mpvalidate {

// One pin of a described module kind.
struct PinInfo {
    int32_t id = 0;
    std::string name;
    bool output = false;
    bool audio = false; // a sample stream; otherwise a control value
};

// One module kind as the library's description gives it.
struct ModuleInfo {
    std::string id;
    std::u16string id16;
    std::vector<PinInfo> pins;
};

struct CheckContext {
    std::filesystem::path library;
    // The library's described module kinds (only the selected one with --module).
    std::vector<ModuleInfo> modules;
    // Why the description could not be read; empty when it was read.
    std::string descriptionProblem;
    uint64_t seed = 0;
    std::vector<int32_t> blockSizes;
    // How long fuzz-events keeps generating event lists.
    double fuzzSeconds = 2.0;
};

struct CheckFailure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

using CheckFunction = CheckResult (*)(const CheckContext&);

struct CheckInfo {
    const char* name;
    const char* description;
    CheckFunction run;
};

// Throws CheckFailure with message when condition is false.
inline void require(bool condition, const std::string& message) {
    if (!condition) {
        throw CheckFailure(message);
    }
}

} // namespace mpvalidate
