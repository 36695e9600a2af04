// Draws a run as a standalone SVG image: one output's signal in volts over
// time as a step line, a dashed marker with a label at every event, and a
// shaded span wherever the module slept.
#pragma once

#include "RunSession.h"

#include <cstddef>
#include <string>

namespace mphost {

// The SVG document for output `outputIndex` (an index into run.outputPins).
// Throws HostError when the run has no such output.
std::string plotSvg(const RunResult& run, size_t outputIndex = 0);

} // namespace mphost
