// The converter's arithmetic: seconds to the envelope generator's control
// voltage in signal units (volts x 0.1), bit-exact to the x87 reference: the
// logarithm carried to a 64-bit significand, then + 3.0f, x 2.5f and x 0.1f,
// each step rounded by the calling thread's x87 precision setting, and one
// final rounding to single precision. Safe to call from any thread.
#pragma once

#include <limits>

#if !(defined(__i386__) || defined(__x86_64__))
#error "The converter's arithmetic needs the x87 extended format (x86 or x86-64)."
#endif
static_assert(std::numeric_limits<long double>::digits == 64,
              "long double must be the x87 80-bit extended format");

namespace quorvale {

// log10(x) = log10(2) * log2(x) in one x87 instruction, significand 64 bits wide.
inline long double log10Extended(long double x) {
    long double result;
    asm("fldlg2\n\tfxch\n\tfyl2x" : "=t"(result) : "0"(x));
    return result;
}

inline float timeToVolts(float seconds) {
    long double v = log10Extended(seconds);
    v = v + static_cast<long double>(3.0f);
    v = v * static_cast<long double>(2.5f);
    v = v * static_cast<long double>(0.1f);
    return static_cast<float>(v);
}

} // namespace quorvale
