// The library's doors for the loaders: MP_GetFactory for the host, DllMain for
// Windows, and the unload routine put on the exit list at load.
#include "MpEntry.h"

#include "MpFactory.h"
#include "MpResult.h"

#include <cstdlib>

namespace {

void unloadRoutine() {
    destroyFactory();
}

// Runs after every module kind's load-time registration.
struct UnloadRegistration {
    UnloadRegistration() noexcept { std::atexit(unloadRoutine); }
};
MP_UNLOAD_ORDER UnloadRegistration unloadRegistration;

} // namespace

extern "C" MP_EXPORT int32_t MP_STDCALL MP_GetFactory(void** out) {
    if (out == nullptr) {
        return mpFailed;
    }
    try {
        return factoryInstance()->QueryInterface(gmpi::MP_IID_UNKNOWN, out);
    } catch (...) {
        *out = nullptr;
        return mpFailed;
    }
}

#if defined(_WIN32)
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) {
    return 1;
}
#endif
