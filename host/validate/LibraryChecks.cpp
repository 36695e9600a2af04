// library-*: loading, exports, the factory object and its refusals, and
// repeated load/unload cycles.
#include "Catalogue.h"
#include "CheckSupport.h"
#include "DynamicSymbols.h"
#include "IMpPlugin.h"
#include "MpResult.h"
#include "ProbeHost.h"

#include <dlfcn.h>

#include <climits>
#include <string>
#include <vector>

namespace mpvalidate {

namespace {

CheckResult load(const CheckContext& context) {
    LoadedLibrary loaded = loadLibrary(context);
    require(loaded.factory != nullptr, "MP_GetFactory handed out no factory");
    return {};
}

CheckResult exports(const CheckContext& context) {
    std::string extra;
    bool entry = false;
    for (const std::string& name : exportedSymbols(context.library)) {
        if (name == "MP_GetFactory") {
            entry = true;
        } else {
            extra += (extra.empty() ? "" : ", ") + name;
        }
    }
    require(entry, "MP_GetFactory is not in the dynamic symbol table");
    require(extra.empty(), "exports more than MP_GetFactory: " + extra);
    return {};
}

CheckResult factoryObject(const CheckContext& context) {
    LoadedLibrary loaded = loadLibrary(context);
    void* again = nullptr;
    const int32_t result = loaded.library->entry()(&again);
    require(result == mpOk && again == loaded.factory, "a second MP_GetFactory call returned " +
                                                           std::to_string(result) +
                                                           " and a different object");
    gmpi::IMpFactory* factory = loaded.factory;
    for (const MpGuid* accepted : {&gmpi::MP_IID_UNKNOWN, &gmpi::MP_IID_FACTORY}) {
        void* out = nullptr;
        const int32_t code = factory->QueryInterface(*accepted, &out);
        require(code == mpOk && out == factory,
                std::string("QueryInterface(") +
                    (accepted == &gmpi::MP_IID_UNKNOWN ? "IMpUnknown" : "IMpFactory") +
                    ") returned " + std::to_string(code) +
                    (out == factory ? "" : " and not the factory's own address"));
    }
    const struct {
        const char* name;
        MpGuid iid;
    } refused[] = {
        {"IMpPlugin", gmpi::MP_IID_PLUGIN},
        {"IMpModuleHost", MP_IID_MODULE_HOST},
        {"IMpFactory with its last byte changed", alteredGuid(gmpi::MP_IID_FACTORY, 15)},
        {"IMpUnknown with its first byte changed", alteredGuid(gmpi::MP_IID_UNKNOWN, 0)},
    };
    for (const auto& r : refused) {
        void* out = outSentinel;
        const int32_t code = factory->QueryInterface(r.iid, &out);
        require(code == mpUnsupported && out == nullptr,
                std::string("QueryInterface(") + r.name + ") returned " + std::to_string(code) +
                    (out == nullptr ? "" : " and left a pointer in out") +
                    "; expected mpUnsupported and null");
    }
    for (int i = 0; i < 3; ++i) {
        const int32_t added = factory->AddRef();
        require(added == 16,
                "the factory's AddRef returned " + std::to_string(added) + ", expected 16");
    }
    for (int i = 0; i < 5; ++i) {
        const int32_t released = factory->Release();
        require(released == 1,
                "the factory's Release returned " + std::to_string(released) + ", expected 1");
    }
    int32_t version = 0;
    char16_t text[64];
    require(factory->describeSdk(&version, 64, text) == mpOk,
            "the factory stopped working after Release calls");
    return {};
}

CheckResult describeSdk(const CheckContext& context) {
    LoadedLibrary loaded = loadLibrary(context);
    constexpr int32_t room = 512;
    constexpr char16_t fill = 0xA5A5;
    // Room after each buffer, so that a write past the capacity lands in
    // memory the check owns and can see.
    constexpr int32_t slack = 256;
    std::vector<char16_t> full(room + slack, fill);
    int32_t version = -12345;
    int32_t code = loaded.factory->describeSdk(&version, room, full.data());
    require(code == mpOk, "describeSdk returned " + std::to_string(code));
    require(version != -12345, "describeSdk wrote no version");
    int32_t length = 0;
    while (length < room && full[static_cast<size_t>(length)] != 0) {
        ++length;
    }
    require(length < room, "describeSdk wrote no terminating null within its capacity");
    for (int32_t i = room; i < room + slack; ++i) {
        require(full[static_cast<size_t>(i)] == fill, "describeSdk wrote past its capacity");
    }
    std::vector<int32_t> capacities = {length + 1, length, 1};
    if (length >= 4) {
        capacities.push_back(length / 2);
    }
    for (int32_t capacity : capacities) {
        if (capacity < 1) {
            continue;
        }
        std::vector<char16_t> text(static_cast<size_t>(capacity + slack), fill);
        int32_t again = -12345;
        code = loaded.factory->describeSdk(&again, capacity, text.data());
        const std::string at = " with capacity " + std::to_string(capacity);
        require(code == mpOk, "describeSdk returned " + std::to_string(code) + at);
        require(again == version, "describeSdk reported another version" + at);
        const int32_t kept = std::min(length, capacity - 1);
        for (int32_t i = 0; i < kept; ++i) {
            require(text[static_cast<size_t>(i)] == full[static_cast<size_t>(i)],
                    "character " + std::to_string(i) + " differs from the full text" + at);
        }
        require(text[static_cast<size_t>(kept)] == 0,
                "no terminating null at position " + std::to_string(kept) + at);
        for (int32_t i = capacity; i < capacity + slack; ++i) {
            require(text[static_cast<size_t>(i)] == fill, "wrote past the buffer's capacity" + at);
        }
    }
    return {};
}

// Calls createModule and demands a refusal with null out and no host reference kept.
void expectRefusal(gmpi::IMpFactory* factory, const std::u16string& id, int32_t kind,
                   const std::string& what) {
    ProbeHost host(64);
    void* out = outSentinel;
    const int32_t code = factory->createModule(id.c_str(), kind, &host, &out);
    if (code == mpOk && out != nullptr && out != outSentinel) {
        static_cast<gmpi::IMpUnknown*>(out)->Release();
    }
    require(code == mpUnsupported && out == nullptr,
            "createModule with " + what + " returned " + std::to_string(code) +
                (out == nullptr ? "" : " and did not leave null in out") +
                "; expected mpUnsupported and null");
    require(host.refCount == 0, "createModule with " + what + " kept a host reference");
}

std::string printable(const std::u16string& text) {
    std::string result;
    for (char16_t c : text) {
        result += c < 128 ? static_cast<char>(c) : '?';
    }
    return result;
}

CheckResult idExact(const CheckContext& context) {
    CheckResult skipped;
    if (noModules(context, skipped)) {
        return skipped;
    }
    LoadedLibrary loaded = loadLibrary(context);
    for (const ModuleInfo& module : context.modules) {
        const std::u16string& id = module.id16;
        std::vector<std::u16string> variants;
        std::u16string upper = id;
        std::u16string lower = id;
        std::u16string swapped = id;
        for (size_t i = 0; i < id.size(); ++i) {
            const char16_t c = id[i];
            if (c >= u'a' && c <= u'z') {
                upper[i] = swapped[i] = static_cast<char16_t>(c - 32);
            } else if (c >= u'A' && c <= u'Z') {
                lower[i] = swapped[i] = static_cast<char16_t>(c + 32);
            }
        }
        for (const std::u16string& v : {upper, lower, swapped}) {
            if (v != id) {
                variants.push_back(v);
            }
        }
        variants.push_back(id + u" ");
        variants.push_back(id + u"x");
        variants.push_back(u" " + id);
        for (size_t length = 0; length < id.size(); ++length) {
            variants.push_back(id.substr(0, length));
        }
        for (const std::u16string& variant : variants) {
            expectRefusal(loaded.factory, variant, 0, "the id \"" + printable(variant) + "\"");
        }
    }
    return {};
}

CheckResult instanceKinds(const CheckContext& context) {
    CheckResult skipped;
    if (noModules(context, skipped)) {
        return skipped;
    }
    LoadedLibrary loaded = loadLibrary(context);
    for (const ModuleInfo& module : context.modules) {
        for (int32_t kind : {1, 2, -1, 100, INT_MAX, INT_MIN}) {
            expectRefusal(loaded.factory, module.id16, kind,
                          quoted(module) + " and kind " + std::to_string(kind));
        }
    }
    return {};
}

// Creates an instance and returns it with the count checked to be 1.
gmpi::IMpPlugin* createCounted(gmpi::IMpFactory* factory, const ModuleInfo& module, ProbeHost& host,
                               const std::string& when) {
    void* out = nullptr;
    const int32_t code = factory->createModule(module.id16.c_str(), 0, &host, &out);
    require(code == mpOk && out != nullptr,
            when + ": createModule(" + quoted(module) + ", 0) returned " + std::to_string(code));
    auto* plugin = static_cast<gmpi::IMpPlugin*>(out);
    const int32_t added = plugin->AddRef();
    require(added == 2,
            when + ": a new instance's AddRef returned " + std::to_string(added) + ", expected 2");
    require(plugin->Release() == 1, when + ": Release after AddRef did not return 1");
    return plugin;
}

CheckResult reload(const CheckContext& context) {
    CheckResult skipped;
    if (noModules(context, skipped)) {
        return skipped;
    }
    constexpr int cycles = 12;
    for (int cycle = 1; cycle <= cycles; ++cycle) {
        const std::string when = "load cycle " + std::to_string(cycle);
        LoadedLibrary loaded = loadLibrary(context);
        for (const ModuleInfo& module : context.modules) {
            ProbeHost host(32);
            gmpi::IMpPlugin* first = createCounted(loaded.factory, module, host, when);
            gmpi::IMpPlugin* second = nullptr;
            {
                // A second load of the same library, released while an
                // instance made through it is alive.
                LoadedLibrary again = loadLibrary(context);
                second = createCounted(again.factory, module, host, when);
            }
            second->processBlock(32, nullptr);
            require(second->Release() == 0, when + ": the last Release did not return 0");
            require(host.refCount == 1, when + ": releasing one of two instances left " +
                                            std::to_string(host.refCount) +
                                            " host references, expected 1");
            first->processBlock(32, nullptr);
            require(first->Release() == 0, when + ": the last Release did not return 0");
            require(host.refCount == 0, when + ": " + std::to_string(host.refCount) +
                                            " host references left after both instances");
        }
    }
    const std::string path = std::filesystem::absolute(context.library).string();
    if (void* still = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD)) {
        dlclose(still);
        return {Status::Warn, "the library stays in memory after its last unload, so the "
                              "unload path was not exercised"};
    }
    return {};
}

} // namespace

std::vector<CheckInfo> libraryChecks() {
    return {
        {"library-load", "loads with immediate binding and MP_GetFactory hands out a factory",
         load},
        {"library-exports", "the dynamic symbol table exports MP_GetFactory and nothing else",
         exports},
        {"library-factory",
         "one factory object that answers only IMpUnknown and IMpFactory, AddRef 16, Release 1",
         factoryObject},
        {"library-describe-sdk",
         "describeSdk cuts its text to the capacity with a null and never writes past it",
         describeSdk},
        {"library-id-exact",
         "ids in another letter case, with extra characters or as prefixes are refused with null",
         idExact},
        {"library-instance-kinds", "instance kinds other than 0 are refused with null out",
         instanceKinds},
        {"library-reload",
         "repeated load/unload cycles keep instance counts and host references balanced", reload},
    };
}

} // namespace mpvalidate
