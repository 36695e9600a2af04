#include "Catalogue.h"

namespace mpvalidate {

const char* statusName(Status status) {
    switch (status) {
    case Status::Pass:
        return "pass";
    case Status::Fail:
        return "fail";
    case Status::Crash:
        return "crash";
    case Status::Warn:
        return "warn";
    case Status::Skip:
        return "skip";
    }
    return "unknown";
}

const std::vector<CheckInfo>& catalogue() {
    static const std::vector<CheckInfo> checks = [] {
        std::vector<CheckInfo> all;
        for (auto part : {libraryChecks, descriptionChecks, instanceChecks, processChecks,
                          sleepChecks, fuzzChecks}) {
            for (const CheckInfo& check : part()) {
                all.push_back(check);
            }
        }
        return all;
    }();
    return checks;
}

} // namespace mpvalidate
