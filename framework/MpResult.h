// Result codes returned by host-facing operations (signed 32-bit).
#pragma once

#include <cstdint>

enum MpResult : int32_t {
    mpOk = 0,
    mpFailed = -1,
    mpUnsupported = -2,
};

static_assert(sizeof(MpResult) == 4);
