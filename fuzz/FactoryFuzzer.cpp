// Asks the factory and its instances whatever a host might: the input becomes
// module id texts (the real id, near misses, arbitrary code units, null),
// instance kinds, host objects with and without services, interface
// identifiers for QueryInterface, and text buffers of any capacity for
// describeSdk. Every answer is checked against what the factory promises,
// and every reference an instance took is given back.
#include "FuzzCheck.h"
#include "FuzzInput.h"
#include "MpFactory.h"
#include "MpGuid.h"
#include "MpResult.h"
#include "Quorvale.h"
#include "RecordingHost.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr std::u16string_view realId = u"Tarnwick Quorvale";
constexpr std::u16string_view sdkText = u"MS Compiler V1500";

// The id text, without its terminating null; null pointer when absent.
struct IdText {
    bool present = true;
    std::u16string units;
};

IdText takeId(FuzzInput& in) {
    IdText id;
    switch (in.choose(4)) {
    case 0:
        id.present = in.choose(2) == 0;
        id.units = realId;
        break;
    case 1: { // near misses: a few units replaced, cut off or added
        id.units = realId;
        const int edits = 1 + in.choose(3);
        for (int i = 0; i < edits; ++i) {
            const auto at = static_cast<std::size_t>(in.takeInRange(0, 17));
            const auto unit = in.take<char16_t>();
            switch (in.choose(3)) {
            case 0:
                if (at < id.units.size()) {
                    id.units[at] = unit;
                }
                break;
            case 1:
                id.units.resize(std::min(at, id.units.size()));
                break;
            default:
                id.units.push_back(unit);
                break;
            }
        }
        break;
    }
    default: {
        const int length = in.choose(40);
        for (int i = 0; i < length; ++i) {
            id.units.push_back(in.take<char16_t>());
        }
        break;
    }
    }
    return id;
}

MpGuid takeGuid(FuzzInput& in) {
    static constexpr std::array<MpGuid, 4> known = {gmpi::MP_IID_UNKNOWN, gmpi::MP_IID_PLUGIN,
                                                    gmpi::MP_IID_FACTORY, MP_IID_MODULE_HOST};
    if (in.choose(3) == 0) {
        return in.take<MpGuid>();
    }
    MpGuid guid = known[in.choose(4)];
    if (in.choose(2) == 0) { // one byte changed
        unsigned char bytes[sizeof guid];
        std::memcpy(bytes, &guid, sizeof guid);
        bytes[in.choose(16)] ^= static_cast<unsigned char>(1 + in.choose(255));
        std::memcpy(&guid, bytes, sizeof guid);
    }
    return guid;
}

int32_t takeKind(FuzzInput& in) {
    return in.choose(3) == 0 ? in.take<int32_t>() : in.takeInRange(-1, 2);
}

void queryFactory(FuzzInput& in, gmpi::IMpFactory* factory) {
    const MpGuid iid = takeGuid(in);
    if (in.choose(8) == 0) {
        FUZZ_CHECK(factory->QueryInterface(iid, nullptr) == mpFailed, "null out is refused");
        return;
    }
    void* out = &in;
    const int32_t result = factory->QueryInterface(iid, &out);
    if (iid == gmpi::MP_IID_UNKNOWN || iid == gmpi::MP_IID_FACTORY) {
        FUZZ_CHECK(result == mpOk && out == factory, "factory answers its own identifiers");
    } else {
        FUZZ_CHECK(result == mpUnsupported && out == nullptr, "factory refuses other identifiers");
    }
}

void queryModule(FuzzInput& in, gmpi::IMpPlugin* module) {
    const MpGuid iid = takeGuid(in);
    void* out = &in;
    const int32_t result = module->QueryInterface(iid, &out);
    if (iid == gmpi::MP_IID_UNKNOWN || iid == gmpi::MP_IID_PLUGIN) {
        FUZZ_CHECK(result == mpOk && out == module, "module answers its own identifiers");
        FUZZ_CHECK(module->Release() == 1, "the query took exactly one reference");
    } else {
        FUZZ_CHECK(result == mpUnsupported && out == nullptr, "module refuses other identifiers");
    }
}

void createModule(FuzzInput& in, gmpi::IMpFactory* factory) {
    const IdText id = takeId(in);
    const int32_t kind = takeKind(in);
    testkit::RecordingHost host;
    const int hostChoice = in.choose(3); // with services, without, or no host object
    host.offerServices = hostChoice == 0;
    gmpi::IMpUnknown* hostObject = hostChoice == 2 ? nullptr : &host;
    const bool nullOut = in.choose(8) == 0;

    // The factory sees the text up to its first null.
    const std::u16string_view seen(id.units.c_str());
    const char16_t* text = id.present ? id.units.c_str() : nullptr;
    void* out = &host;
    const int32_t result = factory->createModule(text, kind, hostObject, nullOut ? nullptr : &out);

    if (nullOut) {
        FUZZ_CHECK(result == mpFailed, "null out is refused");
    } else if (!id.present || seen != realId || kind != 0) {
        FUZZ_CHECK(result == mpUnsupported && out == nullptr, "unknown id or kind is refused");
    } else if (hostChoice != 0) {
        FUZZ_CHECK(result == mpFailed && out == nullptr, "a host without services fails creation");
    } else {
        FUZZ_CHECK(result == mpOk && out != nullptr, "the registered module is created");
        auto* module = static_cast<gmpi::IMpPlugin*>(out);
        const int queries = in.choose(4);
        for (int i = 0; i < queries; ++i) {
            queryModule(in, module);
        }
        FUZZ_CHECK(module->Release() == 0, "the host's reference was the only one");
    }
    FUZZ_CHECK(host.refCount == 1, "every host reference given back");
}

void describeSdk(FuzzInput& in, gmpi::IMpFactory* factory) {
    constexpr int32_t maxCapacity = 64;
    constexpr char16_t guard = 0xBEEF;
    constexpr char16_t untouched = 0xDEAD;
    const int32_t capacity =
        in.choose(4) == 0 ? std::min(in.take<int32_t>(), 0) : in.takeInRange(0, maxCapacity);
    const bool nullText = in.choose(8) == 0;
    const bool nullVersion = in.choose(8) == 0;
    // The host's text buffer holds capacity units; guards on both sides.
    std::vector<char16_t> storage(maxCapacity + 16, guard);
    char16_t* text = storage.data() + 8;
    std::fill_n(text, std::max(capacity, 0), untouched);
    int32_t version = -7;
    const int32_t result =
        factory->describeSdk(nullVersion ? nullptr : &version, capacity, nullText ? nullptr : text);
    FUZZ_CHECK(result == mpOk, "describeSdk answers mpOk");
    FUZZ_CHECK(version == (nullVersion ? -7 : 30000), "version written when asked for");
    const int32_t written =
        nullText || capacity < 1 ? 0 : std::min<int32_t>(capacity - 1, sdkText.size()) + 1;
    for (int32_t i = 0; i < written - 1; ++i) {
        FUZZ_CHECK(text[i] == sdkText[i], "the text is a prefix of the SDK text");
    }
    if (written > 0) {
        FUZZ_CHECK(text[written - 1] == u'\0', "the text ends in a null");
    }
    for (int32_t i = written; i < std::max(capacity, 0); ++i) {
        FUZZ_CHECK(text[i] == untouched, "nothing written past the text");
    }
    for (int32_t i = 0; i < 8; ++i) {
        FUZZ_CHECK(storage[i] == guard, "nothing written before the buffer");
    }
    for (std::size_t i = 8 + std::max(capacity, 0); i < storage.size(); ++i) {
        FUZZ_CHECK(storage[i] == guard, "nothing written after the buffer");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    FuzzInput in(data, size);
    gmpi::IMpFactory* factory = factoryInstance();
    while (!in.empty()) {
        switch (in.choose(3)) {
        case 0:
            createModule(in, factory);
            break;
        case 1:
            queryFactory(in, factory);
            break;
        default:
            describeSdk(in, factory);
            break;
        }
    }
    return 0;
}
