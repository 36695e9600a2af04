// Routines of a module bound to its instance: block routines render a stretch
// (offset, count) of the block's buffers; event handlers take one event.
#pragma once

#include "MpTimedEvent.h"

#include <cstdint>

class MpBase;

using BlockRoutine = void (MpBase::*)(int32_t offset, int32_t count);
using EventHandler = void (MpBase::*)(const MpTimedEvent* event);
