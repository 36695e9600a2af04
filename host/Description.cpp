#include "Description.h"

#include "HostError.h"

#include <pugixml.hpp>

#include <charconv>

namespace mphost {

namespace {

int32_t parsePinId(const pugi::xml_node& pin, const std::string& moduleId) {
    const std::string text = pin.attribute("id").value();
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
    pugi::xml_document document;
    const pugi::xml_parse_result parsed = document.load_buffer(xml.data(), xml.size());
    if (!parsed) {
        throw HostError(std::string("the description is not well-formed XML: ") +
                        parsed.description() + " at byte " + std::to_string(parsed.offset));
    }
    const pugi::xml_node root = document.document_element();
    if (std::string_view(root.name()) != "PluginList") {
        throw HostError("the description's root element is <" + std::string(root.name()) +
                        ">, not <PluginList>");
    }
    LibraryDescription description;
    for (const pugi::xml_node plugin : root.children("Plugin")) {
        ModuleDescription module;
        module.id = plugin.attribute("id").value();
        if (module.id.empty()) {
            throw HostError("the description has a Plugin without an id");
        }
        module.name = plugin.attribute("name").value();
        module.category = plugin.attribute("category").value();
        for (const pugi::xml_node pin : plugin.child("Audio").children("Pin")) {
            PinDescription pinDescription;
            pinDescription.id = parsePinId(pin, module.id);
            pinDescription.name = pin.attribute("name").value();
            pinDescription.direction = pin.attribute("direction").value();
            pinDescription.datatype = pin.attribute("datatype").value();
            pinDescription.rate = pin.attribute("rate").value();
            module.pins.push_back(std::move(pinDescription));
        }
        description.modules.push_back(std::move(module));
    }
    return description;
}

} // namespace mphost
