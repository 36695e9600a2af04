// The "validate" subcommand of mphost: selects checks from the catalogue, runs
// each in a child process with a time limit (or in this process), and prints
// a report. Exit status: 0 when nothing failed or crashed, 1 otherwise, 2 for
// a usage error or when no check was selected.
#pragma once

#include <CLI/CLI.hpp>

#include <cstdint>
#include <optional>
#include <string>

namespace mpvalidate {

struct ValidateOptions {
    std::string library;
    std::string module;
    std::string include;
    std::string exclude;
    std::optional<uint64_t> seed;
    std::string blockSizes;
    bool json = false;
    bool inProcess = false;
    bool list = false;
    double timeout = 20.0;
};

// Adds the subcommand and its options to app; options must outlive the parse.
CLI::App* addValidateCommand(CLI::App& app, ValidateOptions& options);

// Runs the validation and returns the exit status.
int runValidate(const ValidateOptions& options);

} // namespace mpvalidate
