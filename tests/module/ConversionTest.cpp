// The conversion, to the bit.
#include "TimeToVolts.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

namespace {

using quorvale::timeToVolts;

uint32_t bitsOf(float f) {
    return std::bit_cast<uint32_t>(f);
}

// Keeps the compiler from folding the conversion of a constant at build time.
float opaque(float f) {
    volatile float v = f;
    return v;
}

struct Row {
    float input;
    uint32_t expected;
};

const Row worked[] = {
    {0.0001f, 0xBE800000},
    {0.001f, 0x31B13131},
    {0.01f, 0x3E800000},
    {0.05f, 0x3ED977DA},
    {0.1f, 0x3F000000},
    {0.5f, 0x3F2CBBED},
    {1.0f, 0x3F400000},
    {2.0f, 0x3F534414},
    {3.0f, 0x3F5E8928},
    {10.0f, 0x3F800000},
    {100.0f, 0x3FA00000},
    {1000.0f, 0x3FC00000},
    {std::numeric_limits<float>::max(), 0x4126209B},
    {std::numeric_limits<float>::denorm_min(), 0xC12769F4},
};

// The x87 precision setting of the calling thread: 53 or 64 significand bits.
uint16_t x87Control() {
    uint16_t cw;
    asm volatile("fnstcw %0" : "=m"(cw));
    return cw;
}
void setX87Control(uint16_t cw) {
    asm volatile("fldcw %0" : : "m"(cw));
}

TEST(Conversion, WorkedValuesToTheBit) {
    const uint16_t saved = x87Control();
    for (uint16_t precision : {uint16_t(0x300), uint16_t(0x200)}) { // 64 bits, then 53 bits
        setX87Control(static_cast<uint16_t>((saved & ~0x300) | precision));
        for (const Row& row : worked) {
            EXPECT_EQ(bitsOf(timeToVolts(opaque(row.input))), row.expected)
                << "input " << row.input << " precision control " << (precision >> 8);
        }
    }
    setX87Control(saved);
}

TEST(Conversion, SpecialInputs) {
    const float inf = std::numeric_limits<float>::infinity();
    EXPECT_EQ(bitsOf(timeToVolts(opaque(0.0f))), bitsOf(-inf));
    EXPECT_EQ(bitsOf(timeToVolts(opaque(-0.0f))), bitsOf(-inf));
    EXPECT_EQ(bitsOf(timeToVolts(opaque(inf))), bitsOf(inf));
    for (float input : {-1.0f, -1e-30f, -inf, std::numeric_limits<float>::quiet_NaN(),
                        -std::numeric_limits<float>::quiet_NaN()}) {
        const float out = timeToVolts(opaque(input));
        EXPECT_TRUE(std::isnan(out)) << input;
        EXPECT_TRUE(bitsOf(out) & 0x00400000u) << "quiet NaN for " << input;
    }
}

} // namespace
