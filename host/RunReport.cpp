#include "RunReport.h"

#include "MpTimedEvent.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <sstream>

namespace mphost {

namespace {

using testkit::HostCall;

std::string timeText(const RunResult& run, int64_t sample) {
    char text[32];
    std::snprintf(text, sizeof text, "%.9g", static_cast<double>(sample) / run.sampleRate);
    return text;
}

std::string kindName(int32_t kind) {
    switch (kind) {
    case evPinValue:
        return "evPinValue";
    case evStreamStatusA:
        return "evStreamStatusA";
    case evStreamStatusB:
        return "evStreamStatusB";
    case evPinMessage:
        return "evPinMessage";
    case evInitialUpdate:
        return "evInitialUpdate";
    default:
        return std::to_string(kind);
    }
}

// The bytes a module posted, read as the pin's datatype where that is known.
std::string postedValueText(const RunResult& run, const HostCall& call) {
    const PinDescription* pin = run.module.findPin(call.pinId);
    if (pin != nullptr && pin->datatype == "float" && call.data.size() == sizeof(float)) {
        float value = 0;
        std::memcpy(&value, call.data.data(), sizeof value);
        return floatText(value) + " " + bitsText(value);
    }
    if (pin != nullptr && pin->datatype == "int" && call.data.size() == sizeof(int32_t)) {
        int32_t value = 0;
        std::memcpy(&value, call.data.data(), sizeof value);
        return std::to_string(value);
    }
    std::string hex = "0x";
    for (unsigned char byte : call.data) {
        char digits[3];
        std::snprintf(digits, sizeof digits, "%02X", byte);
        hex += digits;
    }
    return call.data.empty() ? "no bytes" : hex;
}

std::string callText(const RunResult& run, const HostCall& call) {
    const std::string position = std::to_string(call.position);
    const std::string pin = std::to_string(call.pinId);
    switch (call.kind) {
    case HostCall::PinValue:
        return "postPinValue(" + position + ", " + pin + ", " + postedValueText(run, call) + ")";
    case HostCall::PinStreaming:
        return "postPinStreaming(" + position + ", " + pin + ", " + std::to_string(call.flag) + ")";
    case HostCall::Sleep:
        return "requestSleep()";
    case HostCall::BlockSize:
        return "queryBlockSize()";
    case HostCall::Slot6:
        return "slot6()";
    }
    return "?";
}

std::string eventText(const BlockRecord& block, const ScheduledEvent& event) {
    return event.label + "@" + std::to_string(event.sample - block.firstSample);
}

std::string runText(const SampleRun& run) {
    return std::to_string(run.count) + " x " + floatText(run.value) + " (" + voltsText(run.value) +
           " V, " + bitsText(run.value) + ")";
}

template <typename Item, typename Format>
std::string joined(const std::vector<Item>& items, const std::string& separator, Format format) {
    std::string text;
    for (const auto& item : items) {
        if (!text.empty()) {
            text += separator;
        }
        text += format(item);
    }
    return text;
}

std::vector<std::string> blockRow(const RunResult& run, const BlockRecord& block,
                                  const std::string& separator) {
    std::vector<std::string> row{std::to_string(block.index), std::to_string(block.firstSample),
                                 timeText(run, block.firstSample),
                                 block.processed ? "processed" : "asleep"};
    const std::string events =
        joined(block.events, separator, [&](const auto& e) { return eventText(block, e); });
    const std::string calls =
        joined(block.calls, separator, [&](const auto& c) { return callText(run, c); });
    row.push_back(events.empty() ? "-" : events);
    row.push_back(calls.empty() ? "-" : calls);
    for (const auto& samples : block.outputs) {
        row.push_back(joined(sampleRuns(samples), separator, runText));
    }
    return row;
}

std::vector<std::string> header(const RunResult& run) {
    std::vector<std::string> names{"block", "sample", "time (s)", "module", "events", "host calls"};
    for (int32_t pin : run.outputPins) {
        names.push_back("output pin " + std::to_string(pin));
    }
    return names;
}

std::string csvField(const std::string& text) {
    if (text.find_first_of(",\"\n") == std::string::npos) {
        return text;
    }
    std::string quoted = "\"";
    for (char c : text) {
        quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    }
    return quoted + "\"";
}

nlohmann::ordered_json floatJson(float value) {
    if (std::isfinite(value)) {
        return static_cast<double>(value);
    }
    return floatText(value);
}

} // namespace

std::vector<SampleRun> sampleRuns(const std::vector<float>& samples) {
    std::vector<SampleRun> runs;
    for (float sample : samples) {
        if (!runs.empty() &&
            std::bit_cast<uint32_t>(runs.back().value) == std::bit_cast<uint32_t>(sample)) {
            ++runs.back().count;
        } else {
            runs.push_back({1, sample});
        }
    }
    return runs;
}

std::string floatText(float value) {
    if (std::isnan(value)) {
        return std::signbit(value) ? "-nan" : "nan";
    }
    if (std::isinf(value)) {
        return value < 0 ? "-inf" : "inf";
    }
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, value);
    return std::string(text, result.ptr);
}

std::string bitsText(float value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X",
                  static_cast<unsigned>(std::bit_cast<uint32_t>(value)));
    return text;
}

std::string voltsText(float value) {
    if (!std::isfinite(value)) {
        return floatText(value);
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.9g", static_cast<double>(value) * 10.0);
    return text;
}

std::string runTable(const RunResult& run) {
    std::ostringstream out;
    out << "module \"" << run.module.id << "\" from " << run.library << '\n';
    const int64_t samples = static_cast<int64_t>(run.blocks.size()) * run.blockSize;
    out << "block size " << run.blockSize << ", sample rate " << run.sampleRate << " Hz, "
        << run.blocks.size() << " blocks (" << samples << " samples, " << timeText(run, samples)
        << " s)\n";
    for (int32_t pinId : run.outputPins) {
        const PinDescription* pin = run.module.findPin(pinId);
        out << "output pin " << pinId << " \"" << (pin != nullptr ? pin->name : "") << "\"\n";
    }
    out << "events are PIN=VALUE@OFFSET within the block; outputs are COUNT x VALUE (VOLTS, "
           "BITS)\n\n";

    std::vector<std::vector<std::string>> rows{header(run)};
    for (const auto& block : run.blocks) {
        rows.push_back(blockRow(run, block, ", "));
    }
    std::vector<size_t> widths(rows[0].size(), 0);
    for (const auto& row : rows) {
        for (size_t i = 0; i < row.size(); ++i) {
            widths[i] = std::max(widths[i], row[i].size());
        }
    }
    for (const auto& row : rows) {
        std::string line;
        for (size_t i = 0; i < row.size(); ++i) {
            line += row[i];
            if (i + 1 < row.size()) {
                line += std::string(widths[i] - row[i].size() + 2, ' ');
            }
        }
        out << line << '\n';
    }
    return out.str();
}

std::string runCsv(const RunResult& run) {
    std::ostringstream out;
    std::vector<std::vector<std::string>> rows{header(run)};
    for (const auto& block : run.blocks) {
        rows.push_back(blockRow(run, block, "; "));
    }
    for (const auto& row : rows) {
        std::string line;
        for (const auto& field : row) {
            if (!line.empty()) {
                line.push_back(',');
            }
            line += csvField(field);
        }
        out << line << '\n';
    }
    return out.str();
}

nlohmann::ordered_json runJson(const RunResult& run) {
    nlohmann::ordered_json blocks = nlohmann::ordered_json::array();
    for (const auto& block : run.blocks) {
        nlohmann::ordered_json events = nlohmann::ordered_json::array();
        for (const auto& event : block.events) {
            events.push_back({{"sample", event.sample},
                              {"offset", event.sample - block.firstSample},
                              {"kind", kindName(event.kind)},
                              {"pin", event.pinId},
                              {"label", event.label}});
        }
        nlohmann::ordered_json calls = nlohmann::ordered_json::array();
        for (const auto& call : block.calls) {
            calls.push_back(callText(run, call));
        }
        nlohmann::ordered_json outputs = nlohmann::ordered_json::array();
        for (size_t i = 0; i < block.outputs.size(); ++i) {
            nlohmann::ordered_json runs = nlohmann::ordered_json::array();
            for (const auto& sampleRun : sampleRuns(block.outputs[i])) {
                runs.push_back({{"count", sampleRun.count},
                                {"value", floatJson(sampleRun.value)},
                                {"volts", voltsText(sampleRun.value)},
                                {"bits", bitsText(sampleRun.value)}});
            }
            outputs.push_back({{"pin", run.outputPins[i]}, {"runs", runs}});
        }
        blocks.push_back({{"index", block.index},
                          {"firstSample", block.firstSample},
                          {"processed", block.processed},
                          {"events", events},
                          {"calls", calls},
                          {"outputs", outputs}});
    }
    return {{"library", run.library},       {"module", run.module.id},
            {"blockSize", run.blockSize},   {"sampleRate", run.sampleRate},
            {"outputPins", run.outputPins}, {"blocks", blocks}};
}

} // namespace mphost
