#include "ModuleInstance.h"

#include "HostError.h"
#include "MpResult.h"

namespace mphost {

namespace {

std::u16string widen(const std::string& text) {
    // Module ids are ASCII in practice; bytes above 0x7F are passed as Latin-1.
    std::u16string wide;
    for (unsigned char c : text) {
        wide.push_back(static_cast<char16_t>(c));
    }
    return wide;
}

} // namespace

ModuleInstance::ModuleInstance(gmpi::IMpFactory& factory, const std::string& moduleId,
                               gmpi::IMpUnknown& hostObject) {
    void* out = nullptr;
    const int32_t result = factory.createModule(widen(moduleId).c_str(), 0, &hostObject, &out);
    if (result != mpOk || out == nullptr) {
        throw HostError("the factory cannot create module \"" + moduleId + "\" (result " +
                        std::to_string(result) + ")");
    }
    plugin_ = static_cast<gmpi::IMpPlugin*>(out);
}

ModuleInstance::~ModuleInstance() {
    if (plugin_ != nullptr) {
        plugin_->Release();
    }
}

} // namespace mphost
