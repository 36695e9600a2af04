// readXmlTree on XmlLite, the pull parser that comes with Windows. xmllite.dll
// is loaded from the system folder on first use and stays loaded; the import
// library is not part of every mingw-w64 toolchain, so the one entry used is
// looked up by name.
#include "HostError.h"
#include "XmlTree.h"

// clang-format off
#include <initguid.h> // defines IID_IXmlReader in this file
#include <windows.h>
#include <shlwapi.h>
#include <xmllite.h>
// clang-format on

#include <climits>
#include <cstdio>
#include <memory>

namespace mphost {

namespace {

struct ComRelease {
    void operator()(IUnknown* object) const { object->Release(); }
};
template <typename T> using ComPtr = std::unique_ptr<T, ComRelease>;

using CreateXmlReaderFunction = HRESULT(WINAPI*)(REFIID, void**, IMalloc*);

CreateXmlReaderFunction createXmlReaderFunction() {
    static const CreateXmlReaderFunction function = [] {
        HMODULE library = LoadLibraryExW(L"xmllite.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
        if (library == nullptr) {
            return CreateXmlReaderFunction(nullptr);
        }
        return reinterpret_cast<CreateXmlReaderFunction>(
            reinterpret_cast<void*>(GetProcAddress(library, "CreateXmlReader")));
    }();
    if (function == nullptr) {
        throw HostError("cannot be read: the system's XML reader (xmllite.dll) is not available");
    }
    return function;
}

std::string hresultText(HRESULT result) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(result));
    return text;
}

std::string toUtf8(const WCHAR* text, UINT length) {
    if (length == 0) {
        return {};
    }
    const int wide = static_cast<int>(length);
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, wide, nullptr, 0, nullptr, nullptr);
    std::string result(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, wide, result.data(), size, nullptr, nullptr);
    return result;
}

std::string qualifiedName(IXmlReader& reader) {
    const WCHAR* name = nullptr;
    UINT length = 0;
    reader.GetQualifiedName(&name, &length);
    return toUtf8(name, length);
}

struct TextPosition {
    UINT line = 0;
    UINT column = 0;

    bool operator==(const TextPosition&) const = default;
    std::string text() const {
        return "line " + std::to_string(line) + ", column " + std::to_string(column);
    }
};

TextPosition positionOf(IXmlReader& reader) {
    TextPosition position;
    reader.GetLineNumber(&position.line);
    reader.GetLinePosition(&position.column);
    return position;
}

void readElement(IXmlReader& reader, XmlElement& element) {
    element.name = qualifiedName(reader);
    for (HRESULT more = reader.MoveToFirstAttribute(); more == S_OK;
         more = reader.MoveToNextAttribute()) {
        if (reader.IsDefault()) {
            continue;
        }
        const WCHAR* value = nullptr;
        UINT length = 0;
        reader.GetValue(&value, &length);
        element.attributes.emplace_back(qualifiedName(reader), toUtf8(value, length));
    }
    reader.MoveToElement();
}

} // namespace

XmlElement readXmlTree(std::string_view text) {
    if (text.size() > UINT_MAX) {
        throw HostError("is too large to read (" + std::to_string(text.size()) + " bytes)");
    }
    const CreateXmlReaderFunction create = createXmlReaderFunction();
    IXmlReader* rawReader = nullptr;
    HRESULT result = create(IID_IXmlReader, reinterpret_cast<void**>(&rawReader), nullptr);
    if (FAILED(result)) {
        throw HostError("cannot be read: no XML reader (error " + hresultText(result) + ")");
    }
    const ComPtr<IXmlReader> reader(rawReader);
    const ComPtr<IStream> stream(SHCreateMemStream(reinterpret_cast<const BYTE*>(text.data()),
                                                   static_cast<UINT>(text.size())));
    if (stream == nullptr) {
        throw HostError("cannot be read: out of memory");
    }
    reader->SetProperty(XmlReaderProperty_DtdProcessing, DtdProcessing_Prohibit);
    // The reader's own depth limit is set above ours so that ours, with its
    // clearer message, is the one that applies.
    reader->SetProperty(XmlReaderProperty_MaxElementDepth, maxXmlDepth + 1);
    result = reader->SetInput(stream.get());
    if (FAILED(result)) {
        throw HostError("cannot be read (error " + hresultText(result) + ")");
    }

    // The open elements, innermost last; each is the last child of the one
    // before it, so adding children to the innermost moves none of them.
    // Where each element and tag starts serves as a cross-check on the
    // reader: some versions, at a text that is cut short, hand out the last
    // start tag again and again, or end an element that was never closed
    // with an end tag at the start tag's own place.
    struct Open {
        XmlElement* element;
        TextPosition start;
    };
    XmlElement root;
    bool haveRoot = false;
    std::vector<Open> open;
    TextPosition lastStart;
    XmlNodeType type = XmlNodeType_None;
    while ((result = reader->Read(&type)) == S_OK) {
        if (type == XmlNodeType_Element) {
            const TextPosition start = positionOf(*reader);
            if (haveRoot && start == lastStart) {
                throw HostError("is not well-formed XML: it breaks off after <" +
                                qualifiedName(*reader) + "> at " + start.text());
            }
            lastStart = start;
            XmlElement* element = nullptr;
            if (open.empty()) {
                if (haveRoot) {
                    throw HostError("is not well-formed XML: it has more than one root element");
                }
                element = &root;
                haveRoot = true;
            } else {
                if (static_cast<int>(open.size()) >= maxXmlDepth) {
                    throw HostError("nests elements deeper than " + std::to_string(maxXmlDepth) +
                                    " levels");
                }
                element = &open.back().element->children.emplace_back();
            }
            readElement(*reader, *element);
            if (!reader->IsEmptyElement()) {
                open.push_back({element, start});
            }
        } else if (type == XmlNodeType_EndElement && !open.empty()) {
            if (positionOf(*reader) == open.back().start) {
                throw HostError("is not well-formed XML: <" + open.back().element->name + "> at " +
                                open.back().start.text() + " is never closed");
            }
            open.pop_back();
        }
    }
    if (FAILED(result)) {
        throw HostError("is not well-formed XML: error " + hresultText(result) + " at " +
                        positionOf(*reader).text());
    }
    if (!open.empty()) {
        throw HostError("is not well-formed XML: <" + open.back().element->name + "> at " +
                        open.back().start.text() + " is never closed");
    }
    if (!haveRoot) {
        throw HostError("is not well-formed XML: it has no root element");
    }
    return root;
}

} // namespace mphost
