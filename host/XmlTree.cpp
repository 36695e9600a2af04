#include "XmlTree.h"

namespace mphost {

std::string XmlElement::attribute(std::string_view attributeName) const {
    for (const auto& [key, value] : attributes) {
        if (key == attributeName) {
            return value;
        }
    }
    return {};
}

const XmlElement* XmlElement::child(std::string_view childName) const {
    for (const auto& element : children) {
        if (element.name == childName) {
            return &element;
        }
    }
    return nullptr;
}

} // namespace mphost
