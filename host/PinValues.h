// Pin values as the user writes them and as the host sends them: a
// `--set` request ([PIN=]VALUE@TIME) parsed into its parts, a time turned
// into a sample index, and a value text turned into the payload bytes of an
// evPinValue event for a pin's datatype. Every function throws HostError with
// a message that names the bad text.
#pragma once

#include "Description.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace mphost {

struct SetRequest {
    std::string text;               // as given
    std::optional<std::string> pin; // pin id or name; none: the first input
    std::string value;
    int64_t sample = 0;
};

// Parses "[PIN=]VALUE@TIME", TIME being a sample index ("480") or seconds
// with an "s" suffix ("0.01s"), rounded to the nearest sample.
SetRequest parseSetRequest(std::string_view text, double sampleRate);

// The pin a request names: by id, else by name; without a name, the first
// input pin. Only control input pins take values.
const PinDescription& targetPin(const ModuleDescription& module, const SetRequest& request);

// The payload bytes of a value for the pin's datatype ("float", "int", "bool").
std::vector<unsigned char> encodeValue(const PinDescription& pin, std::string_view text);

// Whether encodeValue knows the pin's datatype.
bool canEncode(const PinDescription& pin);

// The payload for a pin's starting value: zero of its datatype.
std::vector<unsigned char> zeroValue(const PinDescription& pin);

} // namespace mphost
