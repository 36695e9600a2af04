// A module library loaded the way the host loads it: dlopen on Linux,
// LoadLibraryW on Windows. On Windows a bare file name is looked up next to
// the running program. Unloads in the destructor unless unload() ran first.
// Not copyable; one object per load.
#pragma once

#include <string>

class LoadedLibrary {
public:
    explicit LoadedLibrary(const std::string& path);
    LoadedLibrary(const LoadedLibrary&) = delete;
    LoadedLibrary& operator=(const LoadedLibrary&) = delete;
    ~LoadedLibrary();

    bool loaded() const { return handle != nullptr; }
    // Why the load failed; empty after a successful load.
    const std::string& error() const { return failure; }
    // The address of an exported name, or null.
    void* symbol(const char* name) const;
    // The operating system's handle (HMODULE on Windows).
    void* nativeHandle() const { return handle; }
    // Unloads now; true when the loader reported success.
    bool unload();

private:
    void* handle = nullptr;
    std::string failure;
};
