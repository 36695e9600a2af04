// Reads the names a shared library exports: the defined symbols of global or
// weak binding in its dynamic symbol table.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace mpvalidate {

// Throws CheckFailure when the file cannot be read as an ELF shared object.
std::vector<std::string> exportedSymbols(const std::filesystem::path& library);

} // namespace mpvalidate
