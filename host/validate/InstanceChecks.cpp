// instance-*: identity, reference counting and the instance's use of the
// host's interface.
#include "Catalogue.h"
#include "CheckSupport.h"
#include "MpResult.h"
#include "ProbeHost.h"
#include "Session.h"

namespace mpvalidate {

namespace {

gmpi::IMpPlugin* create(gmpi::IMpFactory* factory, const ModuleInfo& module, ProbeHost& host) {
    void* out = nullptr;
    const int32_t code = factory->createModule(module.id16.c_str(), 0, &host, &out);
    require(code == mpOk && out != nullptr,
            "createModule(" + quoted(module) + ", 0) returned " + std::to_string(code));
    return static_cast<gmpi::IMpPlugin*>(out);
}

// The count as AddRef and Release report it; leaves it unchanged.
int32_t countOf(gmpi::IMpPlugin* plugin) {
    plugin->AddRef();
    return plugin->Release();
}

CheckResult identity(const CheckContext& context) {
    CheckResult skipped;
    if (noModules(context, skipped)) {
        return skipped;
    }
    LoadedLibrary loaded = loadLibrary(context);
    for (const ModuleInfo& module : context.modules) {
        ProbeHost host(64);
        gmpi::IMpPlugin* plugin = create(loaded.factory, module, host);
        int32_t expected = 1;
        for (const MpGuid* accepted : {&gmpi::MP_IID_UNKNOWN, &gmpi::MP_IID_PLUGIN}) {
            const char* name = accepted == &gmpi::MP_IID_UNKNOWN ? "IMpUnknown" : "IMpPlugin";
            void* out = nullptr;
            const int32_t code = plugin->QueryInterface(*accepted, &out);
            require(code == mpOk,
                    std::string("QueryInterface(") + name + ") returned " + std::to_string(code));
            require(out == static_cast<void*>(plugin),
                    std::string("QueryInterface(") + name +
                        ") handed out another address than the instance's own");
            ++expected;
            const int32_t count = countOf(plugin);
            require(count == expected, std::string("after QueryInterface(") + name +
                                           ") the count is " + std::to_string(count) +
                                           ", expected " + std::to_string(expected));
        }
        const struct {
            const char* name;
            MpGuid iid;
        } refused[] = {
            {"IMpFactory", gmpi::MP_IID_FACTORY},
            {"IMpModuleHost", MP_IID_MODULE_HOST},
            {"IMpPlugin with its last byte changed", alteredGuid(gmpi::MP_IID_PLUGIN, 15)},
            {"IMpUnknown with its first byte changed", alteredGuid(gmpi::MP_IID_UNKNOWN, 0)},
        };
        for (const auto& r : refused) {
            void* out = outSentinel;
            const int32_t code = plugin->QueryInterface(r.iid, &out);
            require(out == nullptr, std::string("QueryInterface(") + r.name +
                                        ") refused but did not write null to out");
            require(code == mpUnsupported, std::string("QueryInterface(") + r.name + ") returned " +
                                               std::to_string(code) + ", expected mpUnsupported");
            const int32_t count = countOf(plugin);
            require(count == expected, std::string("a refused QueryInterface(") + r.name +
                                           ") changed the count to " + std::to_string(count));
        }
        while (expected-- > 0) {
            plugin->Release();
        }
    }
    return {};
}

CheckResult refCount(const CheckContext& context) {
    CheckResult skipped;
    if (noModules(context, skipped)) {
        return skipped;
    }
    LoadedLibrary loaded = loadLibrary(context);
    for (const ModuleInfo& module : context.modules) {
        ProbeHost host(64);
        gmpi::IMpPlugin* plugin = create(loaded.factory, module, host);
        const int32_t steps[][2] = {{+1, 2}, {+1, 3}, {+1, 4}, {-1, 3}, {-1, 2}, {-1, 1}};
        for (const auto& step : steps) {
            const int32_t got = step[0] > 0 ? plugin->AddRef() : plugin->Release();
            require(got == step[1], std::string(step[0] > 0 ? "AddRef" : "Release") + " returned " +
                                        std::to_string(got) + ", expected " +
                                        std::to_string(step[1]) +
                                        " (a new instance must start at 1)");
        }
        require(host.releaseCalls == 0, "the instance released the host before its last Release");
        const int32_t last = plugin->Release();
        require(last == 0, "the last Release returned " + std::to_string(last) + ", expected 0");
        require(host.releaseCalls == 1,
                "the last Release did not destroy the instance (the host interface was not "
                "given back)");
    }
    return {};
}

CheckResult hostReference(const CheckContext& context) {
    CheckResult skipped;
    if (noModules(context, skipped)) {
        return skipped;
    }
    for (const ModuleInfo& module : context.modules) {
        Session session(context, module, 64);
        ProbeHost& host = session.host;
        require(host.servicesQueries == 1, "the instance asked for IMpModuleHost " +
                                               std::to_string(host.servicesQueries) +
                                               " times, expected once");
        EventList start = session.startEvents(0.5f);
        session.process(64, start, "block 1");
        for (int block = 2; block <= 4; ++block) {
            session.process(64, "block " + std::to_string(block));
        }
        require(host.addRefCalls == 0, "the instance called the host's AddRef " +
                                           std::to_string(host.addRefCalls) + " times");
        require(host.releaseCalls == 0, "the instance released the host while alive");
        require(host.servicesQueries == 1, "the instance asked for IMpModuleHost again");
        const int32_t last = session.release();
        require(last == 0, "the last Release returned " + std::to_string(last));
        require(host.releaseCalls == 1, "destroying the instance released the host " +
                                            std::to_string(host.releaseCalls) +
                                            " times, expected once");
        require(host.refCount == 0, "the host's count is off by " + std::to_string(host.refCount) +
                                        " after the instance is gone");
    }
    return {};
}

} // namespace

std::vector<CheckInfo> instanceChecks() {
    return {
        {"instance-identity",
         "IMpUnknown and IMpPlugin give the instance's own address; others null and mpUnsupported",
         identity},
        {"instance-refcount", "counts run from 1 up and down, and the last Release destroys",
         refCount},
        {"instance-host-reference",
         "IMpModuleHost asked for once, never added to, released exactly once at destruction",
         hostReference},
    };
}

} // namespace mpvalidate
