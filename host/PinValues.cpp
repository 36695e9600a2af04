#include "PinValues.h"

#include "HostError.h"

#include <charconv>
#include <cmath>
#include <cstring>

namespace mphost {

namespace {

template <typename T> std::vector<unsigned char> bytesOf(T value) {
    std::vector<unsigned char> bytes(sizeof value);
    std::memcpy(bytes.data(), &value, sizeof value);
    return bytes;
}

template <typename T> bool parseWhole(std::string_view text, T& value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return !text.empty() && error == std::errc() && end == text.data() + text.size();
}

bool parseFloat(std::string_view text, double& value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return !text.empty() && error == std::errc() && end == text.data() + text.size();
}

[[noreturn]] void malformed(std::string_view text, const std::string& why) {
    throw HostError("malformed --set '" + std::string(text) + "': " + why +
                    " (expected [PIN=]VALUE@TIME, TIME a sample index or seconds such as 0.5s)");
}

} // namespace

SetRequest parseSetRequest(std::string_view text, double sampleRate) {
    SetRequest request;
    request.text = text;
    const size_t at = text.rfind('@');
    if (at == std::string_view::npos) {
        malformed(text, "no '@TIME'");
    }
    std::string_view head = text.substr(0, at);
    const std::string_view time = text.substr(at + 1);
    const size_t equals = head.find('=');
    if (equals != std::string_view::npos) {
        const std::string_view pin = head.substr(0, equals);
        if (pin.empty()) {
            malformed(text, "empty pin before '='");
        }
        request.pin = std::string(pin);
        head = head.substr(equals + 1);
    }
    if (head.empty()) {
        malformed(text, "no value");
    }
    request.value = head;

    if (time.empty()) {
        malformed(text, "no time after '@'");
    }
    if (time.back() == 's') {
        double seconds = 0;
        if (!parseFloat(time.substr(0, time.size() - 1), seconds) || !std::isfinite(seconds)) {
            malformed(text, "the time '" + std::string(time) + "' is not a number of seconds");
        }
        if (seconds < 0) {
            malformed(text, "the time is negative");
        }
        const double sample = std::round(seconds * sampleRate);
        if (sample > 9.0e15) {
            malformed(text, "the time is too large");
        }
        request.sample = static_cast<int64_t>(sample);
    } else if (!parseWhole(time, request.sample)) {
        malformed(text, "the time '" + std::string(time) +
                            "' is neither a sample index nor seconds with an 's' suffix");
    } else if (request.sample < 0) {
        malformed(text, "the time is negative");
    }
    return request;
}

const PinDescription& targetPin(const ModuleDescription& module, const SetRequest& request) {
    const PinDescription* pin = nullptr;
    if (!request.pin) {
        for (const auto& candidate : module.pins) {
            if (candidate.isInput()) {
                pin = &candidate;
                break;
            }
        }
        if (pin == nullptr) {
            throw HostError("--set '" + request.text + "': module \"" + module.id +
                            "\" has no input pin");
        }
    } else {
        int32_t id = 0;
        if (parseWhole(*request.pin, id)) {
            pin = module.findPin(id);
        }
        for (size_t i = 0; pin == nullptr && i < module.pins.size(); ++i) {
            if (module.pins[i].name == *request.pin) {
                pin = &module.pins[i];
            }
        }
        if (pin == nullptr) {
            throw HostError("--set '" + request.text + "': module \"" + module.id +
                            "\" has no pin '" + *request.pin + "'");
        }
    }
    if (!pin->isInput() || pin->isAudio()) {
        throw HostError("--set '" + request.text + "': pin " + std::to_string(pin->id) + " \"" +
                        pin->name + "\" is not a control input");
    }
    return *pin;
}

std::vector<unsigned char> encodeValue(const PinDescription& pin, std::string_view text) {
    if (pin.datatype == "float") {
        // from_chars takes "inf", "-inf" and "nan" but no leading '+'.
        const std::string_view digits = text.starts_with('+') ? text.substr(1) : text;
        float value = 0;
        const auto [end, error] =
            std::from_chars(digits.data(), digits.data() + digits.size(), value);
        if (digits.empty() || error != std::errc() || end != digits.data() + digits.size()) {
            throw HostError(
                "the value '" + std::string(text) + "' for pin " + std::to_string(pin.id) +
                (error == std::errc::result_out_of_range ? " is outside the range of a float"
                                                         : " is not a number"));
        }
        return bytesOf(value);
    }
    if (pin.datatype == "int") {
        int32_t value = 0;
        if (!parseWhole(text, value)) {
            throw HostError("the value '" + std::string(text) + "' for pin " +
                            std::to_string(pin.id) + " is not a 32-bit whole number");
        }
        return bytesOf(value);
    }
    if (pin.datatype == "bool") {
        if (text == "1" || text == "true") {
            return bytesOf(true);
        }
        if (text == "0" || text == "false") {
            return bytesOf(false);
        }
        throw HostError("the value '" + std::string(text) + "' for pin " + std::to_string(pin.id) +
                        " is not true, false, 1 or 0");
    }
    throw HostError("pin " + std::to_string(pin.id) + " has the datatype '" + pin.datatype +
                    "', for which mphost cannot send values");
}

bool canEncode(const PinDescription& pin) {
    return pin.datatype == "float" || pin.datatype == "int" || pin.datatype == "bool";
}

std::vector<unsigned char> zeroValue(const PinDescription& pin) {
    return encodeValue(pin, pin.datatype == "bool" ? "false" : "0");
}

} // namespace mphost
