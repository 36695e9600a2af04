// A module library loaded into this process the way the host loads it: by
// path, with every symbol bound at load, its entry MP_GetFactory looked up by
// that exact name. The object owns the loaded library and unloads it when
// destroyed; factories and module instances obtained through it must be
// released before that. Not thread-safe.
//
// The loader and the description reader are platform parts: dlopen and the
// ELF section ".gmpxml" on POSIX, LoadLibraryW and the "GMPXML" resource on
// Windows.
#pragma once

#include "Description.h"
#include "IMpFactory.h"
#include "MpEntry.h"

#include <filesystem>
#include <optional>
#include <string>

namespace mphost {

class ModuleLibrary {
public:
    // Loads the library and resolves MP_GetFactory; throws HostError when the
    // file is missing, is not a loadable library or lacks the entry.
    explicit ModuleLibrary(const std::filesystem::path& path);
    ~ModuleLibrary();
    ModuleLibrary(const ModuleLibrary&) = delete;
    ModuleLibrary& operator=(const ModuleLibrary&) = delete;

    const std::filesystem::path& path() const { return path_; }
    MpGetFactoryFunction entry() const { return entry_; }

    // Calls MP_GetFactory; throws HostError when it fails or hands out null.
    // The factory lives as long as the library stays loaded.
    gmpi::IMpFactory* factory() const;

    // The bytes of the library's module description, or nothing when the
    // library carries none. Throws HostError when the file cannot be read.
    std::optional<std::string> descriptionText() const;

    // The parsed description; throws HostError when the library carries none
    // or it cannot be parsed.
    LibraryDescription description() const;

private:
    std::filesystem::path path_;
    void* handle_ = nullptr;
    MpGetFactoryFunction entry_ = nullptr;
};

} // namespace mphost
