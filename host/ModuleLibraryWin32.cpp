// Loading with LoadLibraryW and reading the description from the resource of
// type "GMPXML", id 1, through the loader's resource functions.
#include "ModuleLibrary.h"

#include "HostError.h"

#include <windows.h>

namespace mphost {

ModuleLibrary::ModuleLibrary(const std::filesystem::path& path) : path_(path) {
    std::error_code error;
    const auto status = std::filesystem::status(path, error);
    if (!std::filesystem::exists(status)) {
        throw HostError("'" + path.string() + "' does not exist");
    }
    if (!std::filesystem::is_regular_file(status)) {
        throw HostError("'" + path.string() + "' is not a file");
    }
    const std::wstring absolute = std::filesystem::absolute(path).wstring();
    HMODULE module = LoadLibraryW(absolute.c_str());
    if (module == nullptr) {
        throw HostError("'" + path.string() + "' is not a loadable module library (error " +
                        std::to_string(GetLastError()) + ")");
    }
    handle_ = module;
    entry_ = reinterpret_cast<MpGetFactoryFunction>(
        reinterpret_cast<void*>(GetProcAddress(module, "MP_GetFactory")));
    if (entry_ == nullptr) {
        FreeLibrary(module);
        handle_ = nullptr;
        throw HostError("'" + path.string() + "' has no entry MP_GetFactory");
    }
}

ModuleLibrary::~ModuleLibrary() {
    if (handle_ != nullptr) {
        FreeLibrary(static_cast<HMODULE>(handle_));
    }
}

std::optional<std::string> ModuleLibrary::descriptionText() const {
    HMODULE module = static_cast<HMODULE>(handle_);
    HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(1), L"GMPXML");
    if (resource == nullptr) {
        return std::nullopt;
    }
    HGLOBAL loaded = LoadResource(module, resource);
    const DWORD size = SizeofResource(module, resource);
    const void* bytes = loaded != nullptr ? LockResource(loaded) : nullptr;
    if (bytes == nullptr) {
        throw HostError("the description resource of '" + path_.string() +
                        "' cannot be read (error " + std::to_string(GetLastError()) + ")");
    }
    return std::string(static_cast<const char*>(bytes), size);
}

} // namespace mphost
