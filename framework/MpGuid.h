// Interface identifiers: the 16-byte identifier record, the four identifiers of
// the host contract and the equality test used by every identity query.
#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>

struct MpGuid {
    uint32_t data1;
    uint16_t data2;
    uint16_t data3;
    uint8_t data4[8];
};

static_assert(sizeof(MpGuid) == 16);
static_assert(offsetof(MpGuid, data1) == 0);
static_assert(offsetof(MpGuid, data2) == 4);
static_assert(offsetof(MpGuid, data3) == 6);
static_assert(offsetof(MpGuid, data4) == 8);

// Compares field by field, stopping at the first difference. Returns 0 when all
// sixteen bytes are equal and non-zero otherwise; callers test only for zero.
constexpr int mpGuidCompare(const MpGuid& a, const MpGuid& b) {
    if (a.data1 != b.data1) {
        return 1;
    }
    if (a.data2 != b.data2) {
        return 2;
    }
    if (a.data3 != b.data3) {
        return 3;
    }
    for (int i = 0; i < 8; ++i) {
        if (a.data4[i] != b.data4[i]) {
            return 4 + i;
        }
    }
    return 0;
}

constexpr bool operator==(const MpGuid& a, const MpGuid& b) {
    return mpGuidCompare(a, b) == 0;
}

namespace gmpi {
// {00000000-0000-C000-0000-000000000046}
inline constexpr MpGuid MP_IID_UNKNOWN = {
    0x00000000, 0x0000, 0xC000, {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
// {2B0DFC7E-A539-49CD-B72D-32FF9DF0D9E4}
inline constexpr MpGuid MP_IID_PLUGIN = {
    0x2B0DFC7E, 0xA539, 0x49CD, {0xB7, 0x2D, 0x32, 0xFF, 0x9D, 0xF0, 0xD9, 0xE4}};
// {9A7904B7-7F7F-4D61-B558-C1A6695BB638}
inline constexpr MpGuid MP_IID_FACTORY = {
    0x9A7904B7, 0x7F7F, 0x4D61, {0xB5, 0x58, 0xC1, 0xA6, 0x69, 0x5B, 0xB6, 0x38}};
} // namespace gmpi

// {4F1B532F-3C46-4927-A498-614867425BE7}
inline constexpr MpGuid MP_IID_MODULE_HOST = {
    0x4F1B532F, 0x3C46, 0x4927, {0xA4, 0x98, 0x61, 0x48, 0x67, 0x42, 0x5B, 0xE7}};

// The identifiers are shared with the host byte for byte; pin their in-memory form.
namespace mp_guid_detail {
using Bytes = std::array<uint8_t, 16>;
static_assert(std::endian::native == std::endian::little);
static_assert(std::bit_cast<Bytes>(gmpi::MP_IID_UNKNOWN) ==
              Bytes{0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00,
                    0x00, 0x00, 0x46});
static_assert(std::bit_cast<Bytes>(gmpi::MP_IID_PLUGIN) == Bytes{0x7E, 0xFC, 0x0D, 0x2B, 0x39, 0xA5,
                                                                 0xCD, 0x49, 0xB7, 0x2D, 0x32, 0xFF,
                                                                 0x9D, 0xF0, 0xD9, 0xE4});
static_assert(std::bit_cast<Bytes>(gmpi::MP_IID_FACTORY) ==
              Bytes{0xB7, 0x04, 0x79, 0x9A, 0x7F, 0x7F, 0x61, 0x4D, 0xB5, 0x58, 0xC1, 0xA6, 0x69,
                    0x5B, 0xB6, 0x38});
static_assert(std::bit_cast<Bytes>(MP_IID_MODULE_HOST) == Bytes{0x2F, 0x53, 0x1B, 0x4F, 0x46, 0x3C,
                                                                0x27, 0x49, 0xA4, 0x98, 0x61, 0x48,
                                                                0x67, 0x42, 0x5B, 0xE7});
} // namespace mp_guid_detail
