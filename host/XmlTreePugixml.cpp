// readXmlTree on pugixml.
#include "HostError.h"
#include "XmlTree.h"

#include <pugixml.hpp>

namespace mphost {

namespace {

XmlElement copyElement(const pugi::xml_node& node, int depth) {
    if (depth > maxXmlDepth) {
        throw HostError("nests elements deeper than " + std::to_string(maxXmlDepth) + " levels");
    }
    XmlElement element;
    element.name = node.name();
    for (const pugi::xml_attribute attribute : node.attributes()) {
        element.attributes.emplace_back(attribute.name(), attribute.value());
    }
    for (const pugi::xml_node child : node.children()) {
        if (child.type() == pugi::node_element) {
            element.children.push_back(copyElement(child, depth + 1));
        }
    }
    return element;
}

} // namespace

XmlElement readXmlTree(std::string_view text) {
    pugi::xml_document document;
    const pugi::xml_parse_result parsed = document.load_buffer(text.data(), text.size());
    if (!parsed) {
        throw HostError(std::string("is not well-formed XML: ") + parsed.description() +
                        " at byte " + std::to_string(parsed.offset));
    }
    // pugixml takes a text with several top-level elements; a document has one.
    int roots = 0;
    for (const pugi::xml_node node : document.children()) {
        roots += node.type() == pugi::node_element ? 1 : 0;
    }
    if (roots > 1) {
        throw HostError("is not well-formed XML: it has more than one root element");
    }
    return copyElement(document.document_element(), 1);
}

} // namespace mphost
