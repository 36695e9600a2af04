#include "Description.h"

#include "HostError.h"

#include "XmlTree.h"

#include <charconv>

namespace mphost {

namespace {

int32_t parsePinId(const XmlElement& pin, const std::string& moduleId) {
    const std::string text = pin.attribute("id");
    int32_t id = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), id);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) {
        throw HostError("the description of module \"" + moduleId + "\" has a Pin whose id \"" +
                        text + "\" is not a whole number");
    }
    return id;
}

} // namespace

const PinDescription* ModuleDescription::findPin(int32_t pinId) const {
    for (const auto& pin : pins) {
        if (pin.id == pinId) {
            return &pin;
        }
    }
    return nullptr;
}

const ModuleDescription* LibraryDescription::findModule(std::string_view id) const {
    for (const auto& module : modules) {
        if (module.id == id) {
            return &module;
        }
    }
    return nullptr;
}

LibraryDescription parseDescription(std::string_view xml) {
    XmlElement root;
    try {
        root = readXmlTree(xml);
    } catch (const HostError& error) {
        throw HostError(std::string("the description ") + error.what());
    }
    if (root.name != "PluginList") {
        throw HostError("the description's root element is <" + root.name + ">, not <PluginList>");
    }
    LibraryDescription description;
    for (const XmlElement& plugin : root.children) {
        if (plugin.name != "Plugin") {
            continue;
        }
        ModuleDescription module;
        module.id = plugin.attribute("id");
        if (module.id.empty()) {
            throw HostError("the description has a Plugin without an id");
        }
        module.name = plugin.attribute("name");
        module.category = plugin.attribute("category");
        if (const XmlElement* audio = plugin.child("Audio")) {
            for (const XmlElement& pin : audio->children) {
                if (pin.name != "Pin") {
                    continue;
                }
                PinDescription pinDescription;
                pinDescription.id = parsePinId(pin, module.id);
                pinDescription.name = pin.attribute("name");
                pinDescription.direction = pin.attribute("direction");
                pinDescription.datatype = pin.attribute("datatype");
                pinDescription.rate = pin.attribute("rate");
                module.pins.push_back(std::move(pinDescription));
            }
        }
        description.modules.push_back(std::move(module));
    }
    return description;
}

} // namespace mphost
