// The module description a library carries, as plain data: its module kinds
// and, for each, the pins of its sound-processing instance in document order.
// parseDescription reads the XML text; nothing here refers back to the text.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace mphost {

struct PinDescription {
    int32_t id = -1;
    std::string name;
    std::string direction; // "in" or "out"
    std::string datatype;  // e.g. "float"
    std::string rate;      // "audio" for a sample stream, empty for a control pin

    bool isInput() const { return direction == "in"; }
    bool isOutput() const { return direction == "out"; }
    bool isAudio() const { return rate == "audio"; }
    // The rate as shown to people: the attribute, or "control" without one.
    std::string rateText() const { return rate.empty() ? "control" : rate; }
};

struct ModuleDescription {
    std::string id;
    std::string name;
    std::string category;
    std::vector<PinDescription> pins;

    const PinDescription* findPin(int32_t pinId) const;
};

struct LibraryDescription {
    std::vector<ModuleDescription> modules;

    const ModuleDescription* findModule(std::string_view id) const;
};

// Parses the description text. Throws HostError when the text is not
// well-formed XML, has no PluginList root, or a Plugin or Pin lacks a usable id.
LibraryDescription parseDescription(std::string_view xml);

} // namespace mphost
