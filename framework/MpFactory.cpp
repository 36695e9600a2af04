#include "MpFactory.h"

#include "MpResult.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <new>

namespace {

MpFactory* factoryPointer = nullptr;

constexpr int32_t sdkVersion = 30000;
constexpr int32_t compilerVersion = 1500;

// Writes "MS Compiler V1500" into text, cut to capacity - 1 code units plus a
// null. Formats into a fixed buffer, so it cannot fail.
void formatSdkText(int32_t capacity, char16_t* text) {
    if (text == nullptr || capacity < 1) {
        return;
    }
    constexpr char16_t prefix[] = u"MS Compiler V";
    char16_t full[32];
    std::size_t length = 0;
    for (char16_t c : std::u16string_view(prefix)) {
        full[length++] = c;
    }
    char digits[12];
    const int digitCount = std::snprintf(digits, sizeof digits, "%d", compilerVersion);
    for (int i = 0; i < digitCount; ++i) {
        full[length++] = static_cast<char16_t>(digits[i]);
    }
    const auto room = static_cast<std::size_t>(capacity) - 1;
    const std::size_t n = length < room ? length : room;
    std::copy_n(full, n, text);
    text[n] = u'\0';
}

} // namespace

MpFactory* factoryInstance() {
    if (factoryPointer == nullptr) {
        factoryPointer = new MpFactory();
    }
    return factoryPointer;
}

void destroyFactory() {
    MpFactory* factory = factoryPointer;
    factoryPointer = nullptr;
    delete factory;
}

MpFactory::~MpFactory() = default;

int32_t MpFactory::QueryInterface(const MpGuid& iid, void** out) {
    if (out == nullptr) {
        return mpFailed;
    }
    if (mpGuidCompare(iid, gmpi::MP_IID_UNKNOWN) == 0 ||
        mpGuidCompare(iid, gmpi::MP_IID_FACTORY) == 0) {
        *out = static_cast<gmpi::IMpFactory*>(this);
        AddRef();
        return mpOk;
    }
    *out = nullptr;
    return mpUnsupported;
}

int32_t MpFactory::AddRef() {
    return 16;
}

int32_t MpFactory::Release() {
    return 1;
}

int32_t MpFactory::createModule(const char16_t* id, int32_t kind, gmpi::IMpUnknown* hostObject,
                                void** out) {
    if (out == nullptr) {
        return mpFailed;
    }
    *out = nullptr;
    try {
        if (id == nullptr) {
            return mpUnsupported;
        }
        const MpRegistration* registration = findModule(std::u16string_view(id));
        if (registration == nullptr) {
            return mpUnsupported;
        }
        CreationRoutine routine = nullptr;
        if (kind == 0) {
            routine = registration->createProcessor;
        } else if (kind == 1) {
            routine = registration->createCompanion;
        }
        if (routine == nullptr) {
            return mpUnsupported;
        }
        gmpi::IMpUnknown* instance = routine(hostObject);
        *out = instance;
        instance->AddRef();
        return mpOk;
    } catch (...) {
        *out = nullptr;
        return mpFailed;
    }
}

int32_t MpFactory::describeSdk(int32_t* version, int32_t capacity, char16_t* text) {
    if (version != nullptr) {
        *version = sdkVersion;
    }
    formatSdkText(capacity, text);
    return mpOk;
}

MpRegistration* MpFactory::registerModule(std::u16string_view id) {
    auto found = registrations.find(id);
    if (found != registrations.end()) {
        return found->second.get();
    }
    auto record = std::make_unique<MpRegistration>();
    record->moduleId = std::u16string(id);
    MpRegistration* result = record.get();
    registrations.emplace(std::u16string(id), std::move(record));
    return result;
}

const MpRegistration* MpFactory::findModule(std::u16string_view id) const {
    auto found = registrations.find(id);
    return found == registrations.end() ? nullptr : found->second.get();
}

MpLoadTimeRegistration::MpLoadTimeRegistration(const char16_t* id, CreationRoutine createProcessor,
                                               CreationRoutine createCompanion) noexcept {
    try {
        MpRegistration* record = factoryInstance()->registerModule(id);
        record->createProcessor = createProcessor;
        record->createCompanion = createCompanion;
    } catch (...) {
        // The library still loads, without this module kind.
    }
}
