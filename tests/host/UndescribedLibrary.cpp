// A library with an entry and no description section.
#include "MpEntry.h"
#include "MpResult.h"

extern "C" MP_EXPORT int32_t MP_STDCALL MP_GetFactory(void** out) {
    *out = nullptr;
    return mpFailed;
}
