// The host's record of one timed event and the event kinds. The host owns the
// records; they are valid only during the processBlock call that receives them.
#pragma once

#include <cstddef>
#include <cstdint>

enum MpEventKind : int32_t {
    evPinValue = 100,
    evStreamStatusA = 101,
    evStreamStatusB = 102,
    evPinMessage = 103,
    evInitialUpdate = 104,
};

struct MpTimedEvent {
    int32_t sampleOffset;
    int32_t kind;
    int32_t pinId;
    int32_t byteCount;
    char inlineBytes[8];
    const void* extraData;
    const MpTimedEvent* next;
};

static_assert(offsetof(MpTimedEvent, sampleOffset) == 0);
static_assert(offsetof(MpTimedEvent, kind) == 4);
static_assert(offsetof(MpTimedEvent, pinId) == 8);
static_assert(offsetof(MpTimedEvent, byteCount) == 12);
static_assert(offsetof(MpTimedEvent, inlineBytes) == 16);
#if UINTPTR_MAX == 0xFFFFFFFFu
static_assert(offsetof(MpTimedEvent, extraData) == 24);
static_assert(offsetof(MpTimedEvent, next) == 28);
static_assert(sizeof(MpTimedEvent) == 32);
#else
static_assert(offsetof(MpTimedEvent, extraData) == 24);
static_assert(offsetof(MpTimedEvent, next) == 32);
static_assert(sizeof(MpTimedEvent) == 40);
#endif
