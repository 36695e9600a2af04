// mphost: a reference host for module libraries. Each subcommand is one
// function here; the work is done by the mphostcore library.
#include "DescriptionReport.h"
#include "HostError.h"
#include "ModuleLibrary.h"
#include "RunReport.h"
#include "RunSession.h"
#include "SvgPlot.h"
#if MPHOST_VALIDATE
#include "ValidateCommand.h"
#endif

#include <CLI/CLI.hpp>

#include <fstream>
#include <iostream>
#include <limits>

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

struct RunOptions {
    std::string library;
    mphost::RunSettings settings;
    std::string format = "table";
    std::string plot;
};

int run(const RunOptions& options) {
    const mphost::ModuleLibrary library(options.library);
    const mphost::RunResult result = mphost::runModule(library, options.settings);
    std::string plot;
    if (!options.plot.empty()) {
        plot = mphost::plotSvg(result);
    }
    if (options.format == "json") {
        std::cout << mphost::runJson(result).dump(2) << '\n';
    } else if (options.format == "csv") {
        std::cout << mphost::runCsv(result);
    } else {
        std::cout << mphost::runTable(result);
    }
    if (!options.plot.empty()) {
        std::ofstream file(options.plot, std::ios::binary);
        file << plot;
        file.close();
        if (!file) {
            throw mphost::HostError("cannot write the plot to '" + options.plot + "'");
        }
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    CLI::App app("mphost: loads a module library the way the host does and shows what it does");
    app.require_subcommand(1);
    // Options are written --name on every platform, so an argument such as
    // /path/to/library is a path on Windows too.
    app.allow_windows_style_options(false);

    DescribeOptions describeOptions;
    CLI::App* describeCommand =
        app.add_subcommand("describe", "print the modules and pins the library describes");
    describeCommand->add_option("LIBRARY", describeOptions.library, "the module library")
        ->required();
    describeCommand->add_flag("--json", describeOptions.json, "print JSON instead of a table");

    RunOptions runOptions;
    CLI::App* runCommand = app.add_subcommand(
        "run", "create an instance, drive it block by block and report what it does");
    runCommand->add_option("LIBRARY", runOptions.library, "the module library")->required();
    runCommand->add_option("--module", runOptions.settings.moduleId,
                           "the module id (default: the first module described)");
    runCommand->add_option("--block-size", runOptions.settings.blockSize, "samples per block")
        ->capture_default_str()
        ->check(CLI::Range(1, std::numeric_limits<int32_t>::max())
                    .description("a block size of at least 1"));
    runCommand->add_option("--sample-rate", runOptions.settings.sampleRate, "samples per second")
        ->capture_default_str()
        ->check(CLI::PositiveNumber);
    CLI::Option* seconds =
        runCommand->add_option("--seconds", runOptions.settings.seconds,
                               "run length in seconds, rounded up to whole blocks");
    CLI::Option* blocks =
        runCommand->add_option("--blocks", runOptions.settings.blocks, "run length in blocks")
            ->check(CLI::PositiveNumber);
    seconds->excludes(blocks);
    runCommand->add_option("--set", runOptions.settings.setTexts,
                           "[PIN=]VALUE@TIME: send VALUE to the pin (id or name; default the "
                           "first input) at TIME, a sample index or seconds such as 0.5s");
    runCommand->add_option("--format", runOptions.format, "report format")
        ->capture_default_str()
        ->check(CLI::IsMember({"table", "csv", "json"}));
    runCommand->add_option("--plot", runOptions.plot,
                           "write an SVG plot of the first audio output to this file");
#if MPHOST_VALIDATE
    mpvalidate::ValidateOptions validateOptions;
    CLI::App* validateCommand = mpvalidate::addValidateCommand(app, validateOptions);
#endif

    CLI11_PARSE(app, argc, argv);

#if MPHOST_VALIDATE
    if (*validateCommand) {
        return mpvalidate::runValidate(validateOptions);
    }
#endif

    try {
        if (*describeCommand) {
            return describe(describeOptions);
        }
        if (*runCommand) {
            return run(runOptions);
        }
    } catch (const mphost::HostError& error) {
        std::cerr << "mphost: " << error.what() << '\n';
        return 1;
    }
    return 0;
}
