// mphost: a reference host for module libraries. Each subcommand is one
// function here; the work is done by the mphostcore library.
#include "DescriptionReport.h"
#include "HostError.h"
#include "ModuleLibrary.h"

#include <CLI/CLI.hpp>

#include <iostream>

namespace {

struct DescribeOptions {
    std::string library;
    bool json = false;
};

int describe(const DescribeOptions& options) {
    const mphost::ModuleLibrary library(options.library);
    const mphost::LibraryDescription description = library.description();
    if (options.json) {
        std::cout << mphost::descriptionJson(description).dump(2) << '\n';
    } else {
        std::cout << "library " << library.path().string() << '\n'
                  << mphost::descriptionTable(description);
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    CLI::App app("mphost: loads a module library the way the host does and shows what it does");
    app.require_subcommand(1);

    DescribeOptions describeOptions;
    CLI::App* describeCommand =
        app.add_subcommand("describe", "print the modules and pins the library describes");
    describeCommand->add_option("LIBRARY", describeOptions.library, "the module library")
        ->required();
    describeCommand->add_flag("--json", describeOptions.json, "print JSON instead of a table");

    CLI11_PARSE(app, argc, argv);

    try {
        if (*describeCommand) {
            return describe(describeOptions);
        }
    } catch (const mphost::HostError& error) {
        std::cerr << "mphost: " << error.what() << '\n';
        return 1;
    }
    return 0;
}
