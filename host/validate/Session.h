// One module instance under test, as a host would set it up: the library
// loaded, an instance of a described module kind created with kind 0 against
// a ProbeHost, a guarded buffer assigned to every described audio pin, and
// activate called. Owns all of these; the destructor releases the instance
// (if the check has not done so) before it unloads the library.
#pragma once

#include "Check.h"
#include "GuardedBuffer.h"
#include "IMpFactory.h"
#include "IMpPlugin.h"
#include "ModuleLibrary.h"
#include "ProbeHost.h"

#include <map>
#include <memory>
#include <vector>

namespace mpvalidate {

// The host's event list for one block. Build it completely, then hand
// first() to processBlock: first() links the records, so call it after the
// last add.
class EventList {
public:
    EventList& add(const MpTimedEvent& event);
    const MpTimedEvent* first();
    bool empty() const { return events.empty(); }

private:
    std::vector<MpTimedEvent> events;
};

MpTimedEvent valueEvent(int32_t offset, int32_t pinId, float value);
MpTimedEvent initialUpdateEvent(int32_t offset);
MpTimedEvent plainEvent(int32_t offset, int32_t kind, int32_t pinId);

class Session {
public:
    // Throws CheckFailure when the library will not load or the module cannot
    // be created. A described audio pin that refuses its buffer is a
    // CheckFailure too when buffersRequired; otherwise it is left out of
    // buffers and outputs and noted in refusedPins.
    Session(const CheckContext& context, const ModuleInfo& module, int32_t blockSize,
            bool buffersRequired = false);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // Calls processBlock with the list (null when it is empty) and then checks
    // every buffer's guards; a damaged guard is a CheckFailure naming what.
    void process(int32_t frames, EventList& events, const std::string& what);
    void process(int32_t frames, const std::string& what);
    // Marks every sample of every buffer unwritten.
    void markAllUnwritten();
    // Sends the first update and a value for every input control pin at 0.
    EventList startEvents(float value) const;
    // Releases the instance now; returns what the last Release returned.
    int32_t release();

    const ModuleInfo& module;
    int32_t blockSize;
    ProbeHost host;
    std::unique_ptr<mphost::ModuleLibrary> library;
    gmpi::IMpFactory* factory = nullptr;
    gmpi::IMpPlugin* plugin = nullptr;
    // Buffers of the described audio pins, by pin id.
    std::map<int32_t, GuardedBuffer> buffers;
    // Buffers of the described audio output pins only.
    std::vector<std::pair<int32_t, GuardedBuffer*>> outputs;
    // Described audio pins whose assignBuffer failed.
    std::vector<int32_t> refusedPins;
};

// The described input control pins of a module, which take value events.
std::vector<int32_t> valueInputs(const ModuleInfo& module);

} // namespace mpvalidate
