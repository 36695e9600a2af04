// The library's exported entry: writes the factory's interface pointer to out.
#pragma once

#include "MpPlatform.h"

#include <cstdint>

extern "C" MP_EXPORT int32_t MP_STDCALL MP_GetFactory(void** out);

// The entry's type, for hosts that look it up by name.
using MpGetFactoryFunction = int32_t(MP_STDCALL*)(void** out);
