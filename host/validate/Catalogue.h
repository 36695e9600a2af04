// The validator's checks, in the order they run. Names are stable: they are
// kebab-case with a category prefix (library-, description-, instance-,
// process-, sleep-, fuzz-) and may be used in scripts.
#pragma once

#include "Check.h"

#include <vector>

namespace mpvalidate {

const std::vector<CheckInfo>& catalogue();

// Each category's checks, defined next to their code.
std::vector<CheckInfo> libraryChecks();
std::vector<CheckInfo> descriptionChecks();
std::vector<CheckInfo> instanceChecks();
std::vector<CheckInfo> processChecks();
std::vector<CheckInfo> sleepChecks();
std::vector<CheckInfo> fuzzChecks();

} // namespace mpvalidate
