#include "DescriptionReport.h"

#include <algorithm>
#include <sstream>

namespace mphost {

namespace {

std::string padded(const std::string& text, size_t width) {
    return text + std::string(width > text.size() ? width - text.size() : 0, ' ');
}

} // namespace

std::string descriptionTable(const LibraryDescription& description) {
    std::ostringstream out;
    if (description.modules.empty()) {
        out << "no modules described\n";
    }
    for (const auto& module : description.modules) {
        out << "module \"" << module.id << "\"  name \"" << module.name << "\"  category \""
            << module.category << "\"\n";
        if (module.pins.empty()) {
            out << "  no pins\n";
            continue;
        }
        std::vector<std::vector<std::string>> rows{{"id", "name", "direction", "datatype", "rate"}};
        for (const auto& pin : module.pins) {
            rows.push_back(
                {std::to_string(pin.id), pin.name, pin.direction, pin.datatype, pin.rateText()});
        }
        std::vector<size_t> widths(rows[0].size(), 0);
        for (const auto& row : rows) {
            for (size_t i = 0; i < row.size(); ++i) {
                widths[i] = std::max(widths[i], row[i].size());
            }
        }
        for (const auto& row : rows) {
            std::string line = "  ";
            for (size_t i = 0; i < row.size(); ++i) {
                line += padded(row[i], widths[i] + 2);
            }
            line.erase(line.find_last_not_of(' ') + 1);
            out << line << '\n';
        }
    }
    return out.str();
}

nlohmann::ordered_json descriptionJson(const LibraryDescription& description) {
    nlohmann::ordered_json modules = nlohmann::ordered_json::array();
    for (const auto& module : description.modules) {
        nlohmann::ordered_json pins = nlohmann::ordered_json::array();
        for (const auto& pin : module.pins) {
            pins.push_back({{"id", pin.id},
                            {"name", pin.name},
                            {"direction", pin.direction},
                            {"datatype", pin.datatype},
                            {"rate", pin.rateText()}});
        }
        modules.push_back({{"id", module.id},
                           {"name", module.name},
                           {"category", module.category},
                           {"pins", pins}});
    }
    return {{"modules", modules}};
}

} // namespace mphost
