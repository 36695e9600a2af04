#include "LoadedLibrary.h"

#if defined(_WIN32)
#include <windows.h>

namespace {

std::wstring besideProgram(const std::string& path) {
    std::wstring wide(path.begin(), path.end());
    if (wide.find_first_of(L"\\/") != std::wstring::npos) {
        return wide;
    }
    wchar_t program[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, program, MAX_PATH);
    std::wstring folder(program, length);
    return folder.substr(0, folder.find_last_of(L"\\/") + 1) + wide;
}

} // namespace

LoadedLibrary::LoadedLibrary(const std::string& path) {
    handle = LoadLibraryW(besideProgram(path).c_str());
    if (handle == nullptr) {
        failure = "LoadLibraryW failed with error " + std::to_string(GetLastError());
    }
}

void* LoadedLibrary::symbol(const char* name) const {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle), name));
}

bool LoadedLibrary::unload() {
    const bool ok = handle == nullptr || FreeLibrary(static_cast<HMODULE>(handle)) != 0;
    handle = nullptr;
    return ok;
}

#else
#include <dlfcn.h>

LoadedLibrary::LoadedLibrary(const std::string& path) {
    handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        failure = dlerror();
    }
}

void* LoadedLibrary::symbol(const char* name) const {
    return dlsym(handle, name);
}

bool LoadedLibrary::unload() {
    const bool ok = handle == nullptr || dlclose(handle) == 0;
    handle = nullptr;
    return ok;
}

#endif

LoadedLibrary::~LoadedLibrary() {
    unload();
}
