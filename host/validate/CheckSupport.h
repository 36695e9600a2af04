// Small helpers shared by the checks.
#pragma once

#include "Check.h"
#include "IMpFactory.h"
#include "ModuleLibrary.h"
#include "MpGuid.h"

#include <cstdint>
#include <memory>
#include <string>

namespace mpvalidate {

// A value no module writes by chance into an out-argument: a refusal must
// replace it with null.
inline void* const outSentinel = reinterpret_cast<void*>(uintptr_t{0x5A5A5A50});

// The library loaded and its factory obtained; a load failure is a CheckFailure.
struct LoadedLibrary {
    std::unique_ptr<mphost::ModuleLibrary> library;
    gmpi::IMpFactory* factory = nullptr;
};
LoadedLibrary loadLibrary(const CheckContext& context);

// Identifier with one byte changed.
MpGuid alteredGuid(MpGuid guid, int byteIndex);

// The module's id in quotes, for messages about one of several modules.
std::string quoted(const ModuleInfo& module);

// A skip result when no module is described, otherwise nothing.
bool noModules(const CheckContext& context, CheckResult& result);

} // namespace mpvalidate
