// The library's one factory: answers the host's IMpFactory and keeps the
// registry of module kinds. It is not reference counted; it lives from the
// first factoryInstance() call to the unload routine. The registry is written
// only during load and only read afterwards.
#pragma once

#include "IMpFactory.h"
#include "MpRegistration.h"

#include <map>
#include <memory>
#include <string>
#include <string_view>

class MpFactory : public gmpi::IMpFactory {
public:
    MpFactory() = default;
    MpFactory(const MpFactory&) = delete;
    MpFactory& operator=(const MpFactory&) = delete;

    int32_t MP_STDCALL QueryInterface(const MpGuid& iid, void** out) override;
    int32_t MP_STDCALL AddRef() override;
    int32_t MP_STDCALL Release() override;
    int32_t MP_STDCALL createModule(const char16_t* id, int32_t kind, gmpi::IMpUnknown* hostObject,
                                    void** out) override;
    int32_t MP_STDCALL describeSdk(int32_t* version, int32_t capacity, char16_t* text) override;
    virtual ~MpFactory();

    // Finds or adds the record for id; never null. Routines already set stay set.
    MpRegistration* registerModule(std::u16string_view id);
    // Exact, case-sensitive lookup of the whole text; null when absent.
    const MpRegistration* findModule(std::u16string_view id) const;
    // Read-only view of the registry, in ascending id order.
    const auto& registeredModules() const { return registrations; }

private:
    // Keys compare code unit by code unit as unsigned numbers.
    std::map<std::u16string, std::unique_ptr<MpRegistration>, std::less<>> registrations;
};

// The factory, created on first call. Throws std::bad_alloc when it cannot be
// created; the pointer then stays null and the next call tries again.
MpFactory* factoryInstance();

// Destroys the factory, if any; registered on the exit list at load.
void destroyFactory();

// Registers a module kind at load. Every exception stays inside: a failed
// registration leaves the library loadable without that kind. Define one per
// module kind as a static object with MP_REGISTRATION_ORDER.
struct MpLoadTimeRegistration {
    MpLoadTimeRegistration(const char16_t* id, CreationRoutine createProcessor,
                           CreationRoutine createCompanion = nullptr) noexcept;
};

// Module registrations run before the unload routine is put on the exit list.
#if defined(__GNUC__)
#define MP_REGISTRATION_ORDER __attribute__((init_priority(1000)))
#define MP_UNLOAD_ORDER __attribute__((init_priority(2000)))
#else
#define MP_REGISTRATION_ORDER
#define MP_UNLOAD_ORDER
#endif
