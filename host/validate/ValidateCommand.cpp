#include "ValidateCommand.h"

#include "Catalogue.h"
#include "CheckRunner.h"
#include "CheckSupport.h"
#include "Description.h"
#include "HostError.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <chrono>
#include <iomanip>
#include <iostream>
#include <random>
#include <regex>
#include <sstream>

namespace mpvalidate {

namespace {

struct Usage : std::runtime_error {
    using std::runtime_error::runtime_error;
};

const std::vector<int32_t> defaultBlockSizes = {1, 2, 17, 64, 128, 256, 1024, 4096};

std::vector<int32_t> parseBlockSizes(const std::string& text) {
    if (text.empty()) {
        return defaultBlockSizes;
    }
    std::vector<int32_t> sizes;
    std::stringstream stream(text);
    std::string item;
    while (std::getline(stream, item, ',')) {
        size_t used = 0;
        long value = 0;
        try {
            value = std::stol(item, &used);
        } catch (const std::exception&) {
            used = 0;
        }
        if (used != item.size() || item.empty() || value < 1 || value > 1048576) {
            throw Usage("--block-sizes: '" + item + "' is not a block size from 1 to 1048576");
        }
        sizes.push_back(static_cast<int32_t>(value));
    }
    if (sizes.empty()) {
        throw Usage("--block-sizes: no block size given");
    }
    return sizes;
}

std::regex compile(const std::string& pattern, const char* option) {
    try {
        return std::regex(pattern, std::regex::ECMAScript);
    } catch (const std::regex_error& error) {
        throw Usage(std::string(option) + ": '" + pattern +
                    "' is not a regular expression: " + error.what());
    }
}

// UTF-8 to UTF-16, for module ids; a malformed sequence becomes U+FFFD.
std::u16string toUtf16(const std::string& text) {
    std::u16string result;
    for (size_t i = 0; i < text.size();) {
        const auto byte = static_cast<unsigned char>(text[i]);
        uint32_t code = 0xFFFD;
        size_t length = 1;
        if (byte < 0x80) {
            code = byte;
        } else if ((byte >> 5) == 0x6 || (byte >> 4) == 0xE || (byte >> 3) == 0x1E) {
            length = (byte >> 5) == 0x6 ? 2 : (byte >> 4) == 0xE ? 3 : 4;
            code = byte & (0x7F >> length);
            for (size_t k = 1; k < length; ++k) {
                const auto next = i + k < text.size() ? static_cast<unsigned char>(text[i + k]) : 0;
                if ((next >> 6) != 0x2) {
                    code = 0xFFFD;
                    length = k;
                    break;
                }
                code = (code << 6) | (next & 0x3F);
            }
        }
        i += length;
        if (code >= 0x10000) {
            code -= 0x10000;
            result += static_cast<char16_t>(0xD800 + (code >> 10));
            result += static_cast<char16_t>(0xDC00 + (code & 0x3FF));
        } else {
            result += static_cast<char16_t>(code);
        }
    }
    return result;
}

// Reads the description text in a process of its own: reading it means
// loading the library, and a library that crashes at load must not end the run.
CheckResult readDescriptionText(const CheckContext& context) {
    LoadedLibrary loaded = loadLibrary(context);
    std::optional<std::string> text = loaded.library->descriptionText();
    require(text.has_value(), "the library carries no module description");
    return {Status::Pass, *text};
}

void loadDescription(CheckContext& context, const ValidateOptions& options) {
    const CheckInfo reader{"description", "", readDescriptionText};
    const CheckResult read = options.inProcess ? runInProcess(reader, context)
                                               : runInChild(reader, context, options.timeout);
    if (read.status != Status::Pass) {
        context.descriptionProblem = read.detail;
        return;
    }
    mphost::LibraryDescription description;
    try {
        description = mphost::parseDescription(read.detail);
    } catch (const mphost::HostError& error) {
        context.descriptionProblem = error.what();
        return;
    }
    for (const mphost::ModuleDescription& module : description.modules) {
        ModuleInfo info{module.id, toUtf16(module.id), {}};
        for (const mphost::PinDescription& pin : module.pins) {
            info.pins.push_back({pin.id, pin.name, pin.isOutput(), pin.isAudio()});
        }
        context.modules.push_back(std::move(info));
    }
    if (!options.module.empty()) {
        const auto chosen =
            std::find_if(context.modules.begin(), context.modules.end(),
                         [&](const ModuleInfo& m) { return m.id == options.module; });
        if (chosen == context.modules.end()) {
            throw Usage("--module: the description lists no module '" + options.module + "'");
        }
        context.modules = {*chosen};
    }
}

int listChecks(bool json) {
    if (json) {
        nlohmann::ordered_json list = nlohmann::ordered_json::array();
        for (const CheckInfo& check : catalogue()) {
            list.push_back({{"name", check.name}, {"description", check.description}});
        }
        std::cout << list.dump(2) << '\n';
        return 0;
    }
    for (const CheckInfo& check : catalogue()) {
        std::cout << std::left << std::setw(28) << check.name << ' ' << check.description << '\n';
    }
    return 0;
}

struct Tally {
    int passed = 0;
    int failed = 0; // crashes included
    int crashed = 0;
    int warnings = 0;
    int skipped = 0;

    void count(Status status) {
        switch (status) {
        case Status::Pass:
            ++passed;
            break;
        case Status::Crash:
            ++crashed;
            ++failed;
            break;
        case Status::Fail:
            ++failed;
            break;
        case Status::Warn:
            ++warnings;
            break;
        case Status::Skip:
            ++skipped;
            break;
        }
    }

    std::string line() const {
        std::string text =
            std::to_string(passed) + " passed, " + std::to_string(failed) + " failed";
        if (crashed > 0) {
            text += " (" + std::to_string(crashed) + " crashed)";
        }
        return text + ", " + std::to_string(warnings) + " warnings, " + std::to_string(skipped) +
               " skipped";
    }
};

int validate(const ValidateOptions& options) {
    if (options.library.empty()) {
        throw Usage("a LIBRARY is required (or --list)");
    }
    const std::regex include = compile(options.include.empty() ? "." : options.include, "-t");
    const std::optional<std::regex> exclude =
        options.exclude.empty() ? std::nullopt
                                : std::optional<std::regex>(compile(options.exclude, "-x"));
    if (!(options.timeout > 0)) {
        throw Usage("--timeout: must be a positive number of seconds");
    }
    std::vector<const CheckInfo*> selected;
    for (const CheckInfo& check : catalogue()) {
        if (std::regex_search(check.name, include) &&
            !(exclude && std::regex_search(check.name, *exclude))) {
            selected.push_back(&check);
        }
    }
    if (selected.empty()) {
        throw Usage("no check selected; mphost validate --list shows their names");
    }

    CheckContext context;
    context.library = std::filesystem::absolute(options.library);
    context.blockSizes = parseBlockSizes(options.blockSizes);
    context.seed = options.seed ? *options.seed : std::random_device{}();
    context.fuzzSeconds = std::min(2.0, options.timeout / 4);
    loadDescription(context, options);

    if (!options.json) {
        std::cout << "validating " << options.library << " (seed " << context.seed << ")\n"
                  << std::flush;
    }
    Tally tally;
    nlohmann::ordered_json checks = nlohmann::ordered_json::array();
    for (const CheckInfo* check : selected) {
        const auto start = std::chrono::steady_clock::now();
        const CheckResult result = options.inProcess ? runInProcess(*check, context)
                                                     : runInChild(*check, context, options.timeout);
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        tally.count(result.status);
        if (options.json) {
            checks.push_back({{"name", check->name},
                              {"description", check->description},
                              {"status", statusName(result.status)},
                              {"detail", result.detail},
                              {"seconds", seconds}});
        } else {
            std::string status = statusName(result.status);
            if (result.status == Status::Fail || result.status == Status::Crash) {
                std::transform(status.begin(), status.end(), status.begin(),
                               [](char c) { return static_cast<char>(c - 'a' + 'A'); });
            }
            std::cout << "  " << std::left << std::setw(6) << status << ' ' << check->name;
            if (!result.detail.empty()) {
                std::cout << ": " << result.detail;
            }
            std::cout << '\n' << std::flush;
        }
    }
    const int status = tally.failed > 0 ? 1 : 0;
    if (options.json) {
        nlohmann::ordered_json report;
        report["library"] = options.library;
        report["seed"] = context.seed;
        report["blockSizes"] = context.blockSizes;
        report["modules"] = nlohmann::ordered_json::array();
        for (const ModuleInfo& module : context.modules) {
            report["modules"].push_back(module.id);
        }
        report["checks"] = checks;
        report["summary"] = {{"passed", tally.passed},   {"failed", tally.failed},
                             {"crashed", tally.crashed}, {"warnings", tally.warnings},
                             {"skipped", tally.skipped}, {"exitStatus", status}};
        std::cout << report.dump(2) << '\n';
    } else {
        std::cout << tally.line() << '\n';
    }
    return status;
}

} // namespace

CLI::App* addValidateCommand(CLI::App& app, ValidateOptions& options) {
    CLI::App* command = app.add_subcommand(
        "validate", "run conformance checks on a module library and report what a host trips over");
    command->add_option("LIBRARY", options.library, "the module library");
    command->add_option("--module", options.module, "test only this described module id");
    command->add_option("-t", options.include, "run only checks whose name matches this regex");
    command->add_option("-x", options.exclude, "skip checks whose name matches this regex");
    command->add_option("--seed", options.seed, "seed for random block sizes and fuzzing");
    command->add_option("--block-sizes", options.blockSizes,
                        "comma-separated block sizes (default 1,2,17,64,128,256,1024,4096)");
    command->add_flag("--json", options.json, "print the report as JSON");
    command->add_flag("--in-process", options.inProcess,
                      "run every check in this process (for a debugger); a crash ends the run");
    command->add_option("--timeout", options.timeout,
                        "time limit per check in seconds (default 20)");
    command->add_flag("--list", options.list, "list the checks and exit");
    return command;
}

int runValidate(const ValidateOptions& options) {
    try {
        if (options.list) {
            return listChecks(options.json);
        }
        return validate(options);
    } catch (const Usage& usage) {
        std::cerr << "mphost validate: " << usage.what() << '\n';
        return 2;
    }
}

} // namespace mpvalidate
