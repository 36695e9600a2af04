// A library with an entry whose description section holds text that is not
// well-formed XML (the Plugin element is never closed).
#include "MpEntry.h"
#include "MpResult.h"

asm(".pushsection .gmpxml,\"\",@progbits\n"
    ".ascii \"<PluginList><Plugin id=\\\"Broken\\\"></PluginList>\"\n"
    ".popsection\n");

extern "C" MP_EXPORT int32_t MP_STDCALL MP_GetFactory(void** out) {
    *out = nullptr;
    return mpFailed;
}
