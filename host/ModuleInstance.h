// One module instance created through a library's factory, holding the
// host's reference to it and releasing it when destroyed. The host object
// and the library must outlive it.
#pragma once

#include "IMpFactory.h"
#include "IMpPlugin.h"

#include <string>

namespace mphost {

class ModuleInstance {
public:
    // Creates the sound-processing instance (kind 0) of the module id with
    // hostObject as its host; throws HostError when the factory refuses.
    ModuleInstance(gmpi::IMpFactory& factory, const std::string& moduleId,
                   gmpi::IMpUnknown& hostObject);
    ~ModuleInstance();
    ModuleInstance(const ModuleInstance&) = delete;
    ModuleInstance& operator=(const ModuleInstance&) = delete;

    gmpi::IMpPlugin& plugin() const { return *plugin_; }

private:
    gmpi::IMpPlugin* plugin_ = nullptr;
};

} // namespace mphost
