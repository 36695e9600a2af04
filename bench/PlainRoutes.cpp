#include "PlainRoutes.h"

#include "TimeToVolts.h"

#include <algorithm>

namespace plain {

void floorBlock(float seconds, float* out, int32_t count) {
    const float volts = quorvale::timeToVolts(seconds);
    std::fill_n(out, count, volts);
}

void naiveBlock(const float* in, float* out, int32_t count) {
    for (int32_t i = 0; i < count; ++i) {
        out[i] = quorvale::timeToVolts(in[i]);
    }
}

} // namespace plain
