#include "DynamicSymbols.h"

#include "Check.h"

#include <fcntl.h>
#include <gelf.h>
#include <libelf.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace mpvalidate {

namespace {
struct ElfHandle {
    int fd = -1;
    Elf* elf = nullptr;
    ~ElfHandle() {
        if (elf != nullptr) {
            elf_end(elf);
        }
        if (fd >= 0) {
            close(fd);
        }
    }
};
} // namespace

std::vector<std::string> exportedSymbols(const std::filesystem::path& library) {
    require(elf_version(EV_CURRENT) != EV_NONE, "libelf cannot be initialised");
    ElfHandle file;
    file.fd = open(library.c_str(), O_RDONLY | O_CLOEXEC);
    require(file.fd >= 0, "cannot open " + library.string() + ": " + std::strerror(errno));
    file.elf = elf_begin(file.fd, ELF_C_READ, nullptr);
    require(file.elf != nullptr && elf_kind(file.elf) == ELF_K_ELF,
            library.string() + " is not an ELF file");

    std::vector<std::string> names;
    bool found = false;
    for (Elf_Scn* section = elf_nextscn(file.elf, nullptr); section != nullptr;
         section = elf_nextscn(file.elf, section)) {
        GElf_Shdr header;
        if (gelf_getshdr(section, &header) == nullptr || header.sh_type != SHT_DYNSYM) {
            continue;
        }
        found = true;
        Elf_Data* data = elf_getdata(section, nullptr);
        require(data != nullptr && header.sh_entsize > 0, "unreadable dynamic symbol table");
        const size_t count = header.sh_size / header.sh_entsize;
        for (size_t i = 0; i < count; ++i) {
            GElf_Sym symbol;
            if (gelf_getsym(data, static_cast<int>(i), &symbol) == nullptr) {
                continue;
            }
            const int binding = GELF_ST_BIND(symbol.st_info);
            if (symbol.st_shndx == SHN_UNDEF ||
                (binding != STB_GLOBAL && binding != STB_WEAK && binding != STB_GNU_UNIQUE)) {
                continue;
            }
            const char* name = elf_strptr(file.elf, header.sh_link, symbol.st_name);
            names.emplace_back(name != nullptr ? name : "?");
        }
    }
    require(found, library.string() + " has no dynamic symbol table");
    return names;
}

} // namespace mpvalidate
