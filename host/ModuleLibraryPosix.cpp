// Loading with dlopen and reading the description from the ELF section
// ".gmpxml" with libelf.
#include "ModuleLibrary.h"

#include "HostError.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <gelf.h>
#include <libelf.h>
#include <unistd.h>

#include <cstring>
#include <system_error>

namespace mphost {

namespace {

void requireRegularFile(const std::filesystem::path& path) {
    std::error_code error;
    const auto status = std::filesystem::status(path, error);
    if (!std::filesystem::exists(status)) {
        throw HostError("'" + path.string() + "' does not exist");
    }
    if (!std::filesystem::is_regular_file(status)) {
        throw HostError("'" + path.string() + "' is not a file");
    }
}

// Closes a file descriptor and ends an ELF session on every way out.
struct ElfFile {
    int fd = -1;
    Elf* elf = nullptr;
    ~ElfFile() {
        if (elf != nullptr) {
            elf_end(elf);
        }
        if (fd >= 0) {
            close(fd);
        }
    }
};

} // namespace

ModuleLibrary::ModuleLibrary(const std::filesystem::path& path) : path_(path) {
    requireRegularFile(path);
    // An absolute path keeps dlopen from searching the library path.
    const std::string absolute = std::filesystem::absolute(path).string();
    dlerror();
    handle_ = dlopen(absolute.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle_ == nullptr) {
        const char* why = dlerror();
        throw HostError("'" + path.string() + "' is not a loadable module library: " +
                        (why != nullptr ? why : "unknown loader error"));
    }
    entry_ = reinterpret_cast<MpGetFactoryFunction>(dlsym(handle_, "MP_GetFactory"));
    if (entry_ == nullptr) {
        dlclose(handle_);
        handle_ = nullptr;
        throw HostError("'" + path.string() + "' has no entry MP_GetFactory");
    }
}

ModuleLibrary::~ModuleLibrary() {
    if (handle_ != nullptr) {
        dlclose(handle_);
    }
}

std::optional<std::string> ModuleLibrary::descriptionText() const {
    if (elf_version(EV_CURRENT) == EV_NONE) {
        throw HostError(std::string("libelf cannot be initialised: ") + elf_errmsg(-1));
    }
    ElfFile file;
    file.fd = open(path_.c_str(), O_RDONLY | O_CLOEXEC);
    if (file.fd < 0) {
        throw HostError("cannot open '" + path_.string() + "': " + std::strerror(errno));
    }
    file.elf = elf_begin(file.fd, ELF_C_READ, nullptr);
    if (file.elf == nullptr || elf_kind(file.elf) != ELF_K_ELF) {
        throw HostError("'" + path_.string() + "' is not an ELF file");
    }
    size_t namesIndex = 0;
    if (elf_getshdrstrndx(file.elf, &namesIndex) != 0) {
        throw HostError("'" + path_.string() + "' has no section names: " + elf_errmsg(-1));
    }
    for (Elf_Scn* section = elf_nextscn(file.elf, nullptr); section != nullptr;
         section = elf_nextscn(file.elf, section)) {
        GElf_Shdr header;
        if (gelf_getshdr(section, &header) == nullptr) {
            continue;
        }
        const char* name = elf_strptr(file.elf, namesIndex, header.sh_name);
        if (name == nullptr || std::strcmp(name, ".gmpxml") != 0) {
            continue;
        }
        std::string text;
        for (Elf_Data* data = elf_getdata(section, nullptr); data != nullptr;
             data = elf_getdata(section, data)) {
            if (data->d_buf != nullptr) {
                text.append(static_cast<const char*>(data->d_buf), data->d_size);
            }
        }
        return text;
    }
    return std::nullopt;
}

} // namespace mphost
