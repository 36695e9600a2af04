// The same block written without the framework, as yardsticks for the module:
// the floor (one conversion, then one fill of the block) and the naive route of
// a general-purpose formula module (the conversion evaluated for every sample).
// Built in a translation unit of their own with -O3 for baseline x86-64, so the
// compiler cannot fold them into the benchmark loop.
#pragma once

#include <cstdint>

namespace plain {

// Converts seconds once and writes the result to out[0 .. count - 1].
void floorBlock(float seconds, float* out, int32_t count);

// Writes the conversion of in[i] to out[i] for every i < count.
void naiveBlock(const float* in, float* out, int32_t count);

} // namespace plain
