// A small, read-only view of an XML document: its elements with their
// attributes, in document order. Text, comments and processing instructions
// are left out. readXmlTree is implemented once per platform (pugixml on
// POSIX, the system's XmlLite on Windows) so that the rules that give the
// elements a meaning live in one place above it.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace mphost {

struct XmlElement {
    std::string name; // the qualified name, prefix included
    std::vector<std::pair<std::string, std::string>> attributes; // UTF-8, entities resolved
    std::vector<XmlElement> children;

    // The value of the first attribute of that name, or "" when there is none.
    std::string attribute(std::string_view attributeName) const;
    // The first child element of that name, or nullptr.
    const XmlElement* child(std::string_view childName) const;
};

// Elements may nest this deep at most, the root counting as level 1.
constexpr int maxXmlDepth = 256;

// Reads the text (UTF-8 unless it declares or marks otherwise) and returns its
// root element. Throws HostError when the text is not a well-formed document
// or nests elements deeper than maxXmlDepth; the message is a predicate to put
// after the name of what was read: "is not well-formed XML: ...".
XmlElement readXmlTree(std::string_view text);

} // namespace mphost
