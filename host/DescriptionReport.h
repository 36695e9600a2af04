// How `mphost describe` shows a library's description: an aligned text table
// per module, or one JSON document.
#pragma once

#include "Description.h"

#include <nlohmann/json.hpp>

#include <string>

namespace mphost {

std::string descriptionTable(const LibraryDescription& description);
nlohmann::ordered_json descriptionJson(const LibraryDescription& description);

} // namespace mphost
