#include "Session.h"

#include "HostError.h"
#include "MpResult.h"

#include <cstring>

namespace mpvalidate {

EventList& EventList::add(const MpTimedEvent& event) {
    events.push_back(event);
    return *this;
}

const MpTimedEvent* EventList::first() {
    for (size_t i = 0; i < events.size(); ++i) {
        events[i].next = i + 1 < events.size() ? &events[i + 1] : nullptr;
    }
    return events.empty() ? nullptr : events.data();
}

MpTimedEvent plainEvent(int32_t offset, int32_t kind, int32_t pinId) {
    MpTimedEvent event{};
    event.sampleOffset = offset;
    event.kind = kind;
    event.pinId = pinId;
    return event;
}

MpTimedEvent valueEvent(int32_t offset, int32_t pinId, float value) {
    MpTimedEvent event = plainEvent(offset, evPinValue, pinId);
    event.byteCount = sizeof value;
    std::memcpy(event.inlineBytes, &value, sizeof value);
    return event;
}

MpTimedEvent initialUpdateEvent(int32_t offset) {
    return plainEvent(offset, evInitialUpdate, 0);
}

std::vector<int32_t> valueInputs(const ModuleInfo& module) {
    std::vector<int32_t> ids;
    for (const PinInfo& pin : module.pins) {
        if (!pin.output && !pin.audio) {
            ids.push_back(pin.id);
        }
    }
    return ids;
}

Session::Session(const CheckContext& context, const ModuleInfo& module, int32_t blockSize,
                 bool buffersRequired)
    : module(module), blockSize(blockSize), host(blockSize) {
    try {
        library = std::make_unique<mphost::ModuleLibrary>(context.library);
        factory = library->factory();
    } catch (const mphost::HostError& error) {
        throw CheckFailure(error.what());
    }
    void* out = nullptr;
    const int32_t result = factory->createModule(module.id16.c_str(), 0, &host, &out);
    require(result == mpOk && out != nullptr, "createModule(\"" + module.id + "\", 0) returned " +
                                                  std::to_string(result) +
                                                  (out == nullptr ? " and no instance" : ""));
    plugin = static_cast<gmpi::IMpPlugin*>(out);
    for (const PinInfo& pin : module.pins) {
        if (pin.audio) {
            buffers.emplace(pin.id, GuardedBuffer(blockSize));
        }
    }
    for (auto& [id, buffer] : buffers) {
        const int32_t assigned = plugin->assignBuffer(id, buffer.data());
        require(assigned == mpOk || !buffersRequired, "assignBuffer(" + std::to_string(id) +
                                                          ") returned " + std::to_string(assigned) +
                                                          " for a described audio pin");
        if (assigned != mpOk) {
            refusedPins.push_back(id);
        }
    }
    for (int32_t id : refusedPins) {
        buffers.erase(id);
    }
    for (const PinInfo& pin : module.pins) {
        if (pin.audio && pin.output && buffers.count(pin.id) == 1) {
            outputs.emplace_back(pin.id, &buffers.at(pin.id));
        }
    }
    const int32_t activated = plugin->activate();
    require(activated == mpOk, "activate returned " + std::to_string(activated));
}

Session::~Session() {
    if (plugin != nullptr) {
        release();
    }
}

int32_t Session::release() {
    gmpi::IMpPlugin* instance = plugin;
    plugin = nullptr;
    return instance->Release();
}

void Session::process(int32_t frames, EventList& events, const std::string& what) {
    plugin->processBlock(frames, events.first());
    for (auto& [id, buffer] : buffers) {
        if (auto damage = buffer.guardDamage()) {
            buffer.resetGuards();
            throw CheckFailure(what + ": wrote " + *damage + " of pin " + std::to_string(id) +
                               "'s buffer, outside the block of " + std::to_string(frames));
        }
    }
}

void Session::process(int32_t frames, const std::string& what) {
    EventList none;
    process(frames, none, what);
}

void Session::markAllUnwritten() {
    for (auto& [id, buffer] : buffers) {
        buffer.markUnwritten(0, buffer.size());
    }
}

EventList Session::startEvents(float value) const {
    EventList events;
    events.add(initialUpdateEvent(0));
    for (int32_t pin : valueInputs(module)) {
        events.add(valueEvent(0, pin, value));
    }
    return events;
}

} // namespace mpvalidate
