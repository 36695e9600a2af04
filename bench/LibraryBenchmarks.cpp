// Loading the built library the way the host does: dlopen, the entry's lookup,
// MP_GetFactory, and unloading it again.
#include "BenchSupport.h"
#include "MpEntry.h"
#include "MpResult.h"

#include <benchmark/benchmark.h>

#include <dlfcn.h>

namespace {

void LoadAndUnload(benchmark::State& state) {
    bench::AllocationProbe probe;
    for (auto _ : state) {
        void* handle = dlopen(QUORVALE_LIBRARY, RTLD_NOW | RTLD_LOCAL);
        if (handle == nullptr) {
            state.SkipWithError(dlerror());
            break;
        }
        auto entry = reinterpret_cast<MpGetFactoryFunction>(dlsym(handle, "MP_GetFactory"));
        void* factory = nullptr;
        const bool ok = entry != nullptr && entry(&factory) == mpOk && factory != nullptr;
        if (dlclose(handle) != 0 || !ok) {
            state.SkipWithError("the library did not hand out its factory or did not unload");
            break;
        }
    }
    probe.report(state);
    // dlclose may keep a library mapped; the figure is only a load figure if it did not.
    if (void* still = dlopen(QUORVALE_LIBRARY, RTLD_NOW | RTLD_NOLOAD)) {
        dlclose(still);
        state.SkipWithError("the library stayed loaded after dlclose");
    }
}

} // namespace

BENCHMARK(LoadAndUnload)->Unit(benchmark::kMicrosecond)->Apply(bench::withFastest);
