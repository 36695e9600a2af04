// The outcome of one validator check: how it ended and, for anything but a
// pass, a one-line explanation meant for the module author.
#pragma once

#include <string>

namespace mpvalidate {

enum class Status { Pass, Fail, Crash, Warn, Skip };

struct CheckResult {
    Status status = Status::Pass;
    std::string detail;
};

// "pass", "fail", "crash", "warn" or "skip".
const char* statusName(Status status);

} // namespace mpvalidate
