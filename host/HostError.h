// The error type of the reference host: a failure whose message is meant for
// the person at the command line, worded so it can be printed as it is.
#pragma once

#include <stdexcept>
#include <string>

namespace mphost {

class HostError : public std::runtime_error {
public:
    explicit HostError(const std::string& message) : std::runtime_error(message) {}
};

} // namespace mphost
