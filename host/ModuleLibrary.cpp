#include "ModuleLibrary.h"

#include "HostError.h"
#include "MpResult.h"

namespace mphost {

gmpi::IMpFactory* ModuleLibrary::factory() const {
    void* out = nullptr;
    const int32_t result = entry_(&out);
    if (result != mpOk || out == nullptr) {
        throw HostError("MP_GetFactory of '" + path_.string() + "' failed (result " +
                        std::to_string(result) + ")");
    }
    return static_cast<gmpi::IMpFactory*>(out);
}

LibraryDescription ModuleLibrary::description() const {
    const std::optional<std::string> text = descriptionText();
    if (!text) {
        throw HostError("'" + path_.string() + "' carries no module description");
    }
    try {
        return parseDescription(*text);
    } catch (const HostError& error) {
        throw HostError("'" + path_.string() + "': " + error.what());
    }
}

} // namespace mphost
