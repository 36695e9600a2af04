// A small module library written directly against the host interface, for the
// validator's tests. Its one module kind, "Faulty Hold", copies the float on
// input pin 0 to the audio output pin 1, renders one host block after each new
// value and then asks to sleep. Built once with no FAULT_ macro (a library that
// follows every rule) and once per FAULT_ macro, each of which breaks exactly
// one rule that a host relies on.
#include "IMpFactory.h"
#include "IMpModuleHost.h"
#include "IMpPlugin.h"
#include "MpEntry.h"
#include "MpResult.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <new>
#if defined(FAULT_ALLOCATES)
#include <vector>
#endif

namespace {

const char16_t holdId[] = u"Faulty Hold";
const char16_t sdkText[] = u"Faulty Hold SDK";

#if defined(FAULT_ID_CASE_INSENSITIVE)
char16_t upper(char16_t c) {
    return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - u'a' + u'A') : c;
}
#endif

bool matchesHoldId(const char16_t* id) {
    const char16_t* expected = holdId;
    for (;; ++id, ++expected) {
#if defined(FAULT_ID_CASE_INSENSITIVE)
        const bool same = upper(*id) == upper(*expected);
#else
        const bool same = *id == *expected;
#endif
        if (!same) {
            return false;
        }
        if (*id == 0) {
            return true;
        }
    }
}

class Hold final : public gmpi::IMpPlugin {
public:
    explicit Hold(gmpi::IMpUnknown* hostObject) {
        void* out = nullptr;
        if (hostObject == nullptr || hostObject->QueryInterface(MP_IID_MODULE_HOST, &out) != mpOk ||
            out == nullptr) {
            throw std::bad_alloc();
        }
        host = static_cast<IMpModuleHost*>(out);
    }

    ~Hold() {
#if !defined(FAULT_HOST_NEVER_RELEASED)
        host->Release();
#endif
    }

    int32_t MP_STDCALL QueryInterface(const MpGuid& iid, void** out) override {
        if (iid == gmpi::MP_IID_UNKNOWN || iid == gmpi::MP_IID_PLUGIN) {
            *out = static_cast<gmpi::IMpPlugin*>(this);
            AddRef();
            return mpOk;
        }
#if !defined(FAULT_REFUSAL_GARBAGE)
        *out = nullptr;
#endif
        return mpUnsupported;
    }

#if defined(FAULT_SHARED_COUNT)
    // One count for all instances of the library.
    static inline int32_t sharedCount = 0;
    int32_t MP_STDCALL AddRef() override {
        return ++sharedCount;
    }
    int32_t MP_STDCALL Release() override {
        if (--sharedCount != 0) {
            return sharedCount;
        }
        delete this;
        return 0;
    }
#else
    int32_t MP_STDCALL AddRef() override {
        return ++refCount;
    }

    int32_t MP_STDCALL Release() override {
        if (--refCount != 0) {
            return refCount;
        }
        delete this;
        return 0;
    }
#endif

    int32_t MP_STDCALL activate() override {
        return mpOk;
    }

    int32_t MP_STDCALL assignBuffer(int32_t pinId, float* samples) override {
        if (pinId == 1) {
            buffer = samples;
            return mpOk;
        }
        return pinId == 0 ? mpOk : mpFailed;
    }

    void MP_STDCALL processBlock(int32_t sampleFrames, const MpTimedEvent* events) override {
#if defined(FAULT_ALLOCATES)
        std::vector<const MpTimedEvent*> pending;
        for (const MpTimedEvent* e = events; e != nullptr; e = e->next) {
            pending.push_back(e);
        }
#endif
        blockEnd = sampleFrames;
        lastValueAt = -1;
        int32_t position = 0;
        for (const MpTimedEvent* e = events; e != nullptr; e = e->next) {
#if defined(FAULT_TRUSTS_OFFSETS)
            const int32_t at = e->sampleOffset;
#else
            if (e->sampleOffset >= sampleFrames) {
                break;
            }
            const int32_t at = std::max(e->sampleOffset, position);
#endif
#if defined(FAULT_EARLY_VALUE)
            // Takes each event before rendering the stretch that leads up to it.
            handle(*e, at);
            render(position, at - position);
            position = at;
#else
            render(position, at - position);
            position = at;
            handle(*e, position);
#endif
        }
        render(position, sampleFrames - position);
    }

    int32_t MP_STDCALL acceptMessage(int32_t, int32_t, int32_t) override {
        return mpOk;
    }

private:
    enum class State { Rendering, Countdown, Spent };

    void handle(const MpTimedEvent& e, int32_t position) {
        if (e.kind == 104) {
            host->postPinStreaming(position, 1, 1);
            state = State::Rendering;
        } else if (e.kind == 100 && e.pinId == 0) {
#if defined(FAULT_FIRST_VALUE_WINS)
            if (e.sampleOffset == lastValueAt) {
                return;
            }
#endif
            lastValueAt = e.sampleOffset;
            const void* payload = e.extraData != nullptr ? e.extraData : e.inlineBytes;
            const int32_t size = std::clamp<int32_t>(e.byteCount, 0, sizeof(value));
            std::memcpy(&value, payload, static_cast<size_t>(size));
#if defined(FAULT_DEAF_ASLEEP)
            if (state == State::Spent && valueSeen) {
                return;
            }
            valueSeen = true;
#endif
            host->postPinStreaming(position, 1, 0);
            host->queryBlockSize(&countdown);
#if defined(FAULT_SLEEP_EARLY)
            countdown -= position;
#endif
            state = State::Countdown;
        }
    }

    void render(int32_t offset, int32_t count) {
        if (count < 0) {
            return;
        }
        if (state == State::Rendering) {
            fill(offset, count);
            return;
        }
        if (state == State::Countdown) {
            const int32_t n = std::min(countdown, count);
            fill(offset, n);
            countdown -= n;
            offset += n;
            count -= n;
            if (countdown > 0) {
                return;
            }
            state = State::Spent;
        }
#if defined(FAULT_RENDER_ASLEEP)
        fill(offset, count);
#endif
        int32_t blockSize = 0;
        host->queryBlockSize(&blockSize);
        if (offset + count == blockSize) {
            host->requestSleep();
        }
    }

    void fill(int32_t offset, int32_t count) {
        if (buffer == nullptr || count <= 0) {
            return;
        }
        std::fill_n(buffer + offset, count, value);
#if defined(FAULT_WRITE_PAST_BLOCK)
        if (offset + count == blockEnd) {
            buffer[blockEnd] = value;
        }
#endif
    }

#if defined(FAULT_COUNT_OFF_BY_ONE)
    int32_t refCount = 1;
#else
    int32_t refCount = 0;
#endif
    IMpModuleHost* host = nullptr;
    float* buffer = nullptr;
    float value = 0.0f;
    State state = State::Spent;
    int32_t countdown = 0;
    int32_t blockEnd = 0;
    int32_t lastValueAt = -1;
#if defined(FAULT_DEAF_ASLEEP)
    bool valueSeen = false;
#endif
};

class Factory final : public gmpi::IMpFactory {
public:
    int32_t MP_STDCALL QueryInterface(const MpGuid& iid, void** out) override {
        if (iid == gmpi::MP_IID_UNKNOWN || iid == gmpi::MP_IID_FACTORY) {
            *out = static_cast<gmpi::IMpFactory*>(this);
            return mpOk;
        }
        *out = nullptr;
        return mpUnsupported;
    }
#if defined(FAULT_FACTORY_COUNTED)
    int32_t MP_STDCALL AddRef() override {
        return ++count;
    }
    int32_t MP_STDCALL Release() override {
        return --count;
    }
    int32_t count = 1;
#else
    int32_t MP_STDCALL AddRef() override {
        return 16;
    }
    int32_t MP_STDCALL Release() override {
        return 1;
    }
#endif

    int32_t MP_STDCALL createModule(const char16_t* id, int32_t kind, gmpi::IMpUnknown* hostObject,
                                    void** out) override {
        *out = nullptr;
#if defined(FAULT_ANY_KIND)
        static_cast<void>(kind);
        const bool kindKnown = true;
#else
        const bool kindKnown = kind == 0;
#endif
        if (id == nullptr || !matchesHoldId(id) || !kindKnown) {
            return mpUnsupported;
        }
        try {
            auto* module = new Hold(hostObject);
            module->AddRef();
            *out = static_cast<gmpi::IMpPlugin*>(module);
            return mpOk;
        } catch (...) {
            return mpFailed;
        }
    }

    int32_t MP_STDCALL describeSdk(int32_t* version, int32_t capacity, char16_t* text) override {
        *version = 30000;
        if (text != nullptr && capacity > 0) {
            const int32_t length = static_cast<int32_t>(std::size(sdkText)) - 1;
#if defined(FAULT_SDK_OVERRUN)
            const int32_t n = length;
#else
            const int32_t n = std::min(length, capacity - 1);
#endif
            std::copy_n(sdkText, n, text);
            text[n] = 0;
        }
        return mpOk;
    }
};

Factory factory;

#if defined(FAULT_UNRESOLVED)
// Defined nowhere: binding every symbol at load fails.
extern "C" int faultyMissingFunction();
int (*volatile unresolved)() = faultyMissingFunction;
#endif

} // namespace

extern "C" MP_EXPORT int32_t MP_STDCALL MP_GetFactory(void** out) {
    *out = static_cast<gmpi::IMpFactory*>(&factory);
    return mpOk;
}

#if defined(FAULT_EXTRA_EXPORT)
extern "C" MP_EXPORT int faultyDebugHook() {
    return 42;
}
#endif

// The module description, in the section the host reads.
#if defined(FAULTY_XML_PATH)
__asm__(".pushsection .gmpxml,\"\",@progbits\n"
        ".incbin \"" FAULTY_XML_PATH "\"\n"
        ".popsection\n");
#endif
