// description-*: the description is there, and the module kinds and pins it
// lists are the ones the code has.
#include "Catalogue.h"
#include "CheckSupport.h"
#include "MpResult.h"
#include "ProbeHost.h"
#include "Session.h"

#include <set>

namespace mpvalidate {

namespace {

CheckResult present(const CheckContext& context) {
    require(context.descriptionProblem.empty(), context.descriptionProblem);
    require(!context.modules.empty(), "the description lists no module kind");
    for (const ModuleInfo& module : context.modules) {
        require(!module.id.empty(), "a module kind has an empty id");
        std::set<int32_t> ids;
        for (const PinInfo& pin : module.pins) {
            require(ids.insert(pin.id).second,
                    quoted(module) + " lists pin " + std::to_string(pin.id) + " twice");
        }
    }
    return {};
}

CheckResult creatable(const CheckContext& context) {
    CheckResult skipped;
    if (noModules(context, skipped)) {
        return skipped;
    }
    LoadedLibrary loaded = loadLibrary(context);
    for (const ModuleInfo& module : context.modules) {
        ProbeHost host(64);
        void* out = nullptr;
        const int32_t code = loaded.factory->createModule(module.id16.c_str(), 0, &host, &out);
        require(code == mpOk && out != nullptr, "the described module " + quoted(module) +
                                                    " cannot be created: createModule returned " +
                                                    std::to_string(code));
        static_cast<gmpi::IMpUnknown*>(out)->Release();
    }
    return {};
}

CheckResult audioPins(const CheckContext& context) {
    CheckResult skipped;
    if (noModules(context, skipped)) {
        return skipped;
    }
    // The session assigns a buffer to every described audio pin and fails on a refusal.
    for (const ModuleInfo& module : context.modules) {
        Session session(context, module, 64, true);
    }
    return {};
}

CheckResult initialUpdate(const CheckContext& context) {
    CheckResult skipped;
    if (noModules(context, skipped)) {
        return skipped;
    }
    for (const ModuleInfo& module : context.modules) {
        Session session(context, module, 64);
        EventList events;
        events.add(initialUpdateEvent(0));
        session.process(64, events, "the block with the initial update");
        std::set<int32_t> announced;
        for (const ProbeCall& call : session.host) {
            if (call.kind == ProbeCall::Sleep) {
                continue;
            }
            const PinInfo* described = nullptr;
            for (const PinInfo& pin : module.pins) {
                if (pin.id == call.pinId) {
                    described = &pin;
                }
            }
            require(described != nullptr && described->output,
                    "the initial update posted a message for pin " + std::to_string(call.pinId) +
                        ", which the description does not list as an output of " + quoted(module));
            announced.insert(call.pinId);
        }
        for (const PinInfo& pin : module.pins) {
            require(!pin.output || announced.count(pin.id) == 1,
                    "the initial update posted nothing for the described output pin " +
                        std::to_string(pin.id) + " of " + quoted(module));
        }
    }
    return {};
}

} // namespace

std::vector<CheckInfo> descriptionChecks() {
    return {
        {"description-present",
         "the library carries a well-formed description listing at least one module kind", present},
        {"description-creatable", "every described module id can be created with kind 0",
         creatable},
        {"description-audio-pins", "every described audio pin accepts a buffer", audioPins},
        {"description-initial-update",
         "the initial update announces every described output pin and no other pin", initialUpdate},
    };
}

} // namespace mpvalidate
