// mphost run against the built library: the samples and host calls of a run
// with a value change mid-block and the sleep after it, the plot, and the
// inputs it must refuse.
#include "RunMphost.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <pugixml.hpp>

#include <filesystem>
#include <unistd.h>

namespace {

using nlohmann::json;

// Block size 128 at 48 kHz: 1 s from sample 0; 10 s at sample 192 (block 1,
// offset 64, while the module sleeps); 0.05 s at 0.02 s = sample 960 (block 7,
// offset 64, asleep again).
const std::vector<std::string> changeRun = {
    "run", QUORVALE_LIBRARY, "--block-size", "128",   "--sample-rate", "48000", "--blocks",
    "9",   "--set",          "1@0",          "--set", "10@192",        "--set", "0.05@0.02s"};

json runJson(std::vector<std::string> arguments) {
    arguments.insert(arguments.end(), {"--format", "json"});
    const MphostResult result = runMphost(arguments);
    EXPECT_EQ(result.status, 0) << result.err;
    return json::parse(result.out);
}

// A block's output as (count, bits) pairs.
std::vector<std::pair<int, std::string>> runsOf(const json& block) {
    std::vector<std::pair<int, std::string>> runs;
    for (const auto& run : block["outputs"][0]["runs"]) {
        runs.emplace_back(run["count"].get<int>(), run["bits"].get<std::string>());
    }
    return runs;
}

TEST(Run, SamplesAndHostCallsAcrossAChangeAndTheSleep) {
    const json run = runJson(changeRun);
    ASSERT_EQ(run["outputPins"], json::array({1}));
    const auto& blocks = run["blocks"];
    ASSERT_EQ(blocks.size(), 9u);

    const std::string one = "0x3F400000";  // 1 s -> 0.75
    const std::string ten = "0x3F800000";  // 10 s -> 1.0
    const std::string half = "0x3ED977DA"; // 0.05 s -> 0.42474252
    struct Expected {
        bool processed;
        std::vector<std::string> calls;
        std::vector<std::pair<int, std::string>> runs;
    };
    const std::vector<Expected> expected = {
        // The first updates and the starting value: one block rendered, then sleep.
        {true,
         {"postPinStreaming(0, 1, 1)", "postPinStreaming(0, 1, 0)", "requestSleep()"},
         {{128, one}}},
        // Woken at 64: the samples before the change keep the old value.
        {true, {"postPinStreaming(64, 1, 0)"}, {{64, one}, {64, ten}}},
        // The countdown's last 64 samples, then the sleep request.
        {true, {"requestSleep()"}, {{128, ten}}},
        {false, {}, {{128, ten}}},
        {false, {}, {{128, ten}}},
        {false, {}, {{128, ten}}},
        {false, {}, {{128, ten}}},
        {true, {"postPinStreaming(64, 1, 0)"}, {{64, ten}, {64, half}}},
        {true, {"requestSleep()"}, {{128, half}}},
    };
    for (size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE("block " + std::to_string(i));
        EXPECT_EQ(blocks[i]["firstSample"], 128 * i);
        EXPECT_EQ(blocks[i]["processed"], expected[i].processed);
        EXPECT_EQ(blocks[i]["calls"].get<std::vector<std::string>>(), expected[i].calls);
        EXPECT_EQ(runsOf(blocks[i]), expected[i].runs);
    }
    EXPECT_EQ(blocks[7]["events"][0]["sample"], 960);
    EXPECT_EQ(blocks[7]["events"][0]["offset"], 64);
    EXPECT_EQ(blocks[0]["events"][0]["kind"], "evInitialUpdate");
    EXPECT_EQ(blocks[0]["events"][1]["kind"], "evPinValue");
}

TEST(Run, ValuesRoundTripWithVoltsAndBits) {
    const json run = runJson({"run", QUORVALE_LIBRARY, "--blocks", "1", "--set", "0.05@0"});
    const auto& sample = run["blocks"][0]["outputs"][0]["runs"][0];
    EXPECT_EQ(sample["bits"], "0x3ED977DA");
    EXPECT_EQ(sample["value"].get<float>(), 0.42474252f);
    EXPECT_EQ(sample["volts"], "4.2474252");

    // Inputs outside the logarithm's domain come out as IEEE special values.
    const json zero = runJson({"run", QUORVALE_LIBRARY, "--blocks", "1", "--set", "0@0"});
    EXPECT_EQ(zero["blocks"][0]["outputs"][0]["runs"][0]["value"], "-inf");
    EXPECT_EQ(zero["blocks"][0]["outputs"][0]["runs"][0]["bits"], "0xFF800000");
}

TEST(Run, TableShowsEachBlock) {
    std::vector<std::string> arguments = changeRun;
    const MphostResult result = runMphost(arguments);
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_NE(result.out.find("postPinStreaming(64, 1, 0)"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("64 x 0.75 (7.5 V, 0x3F400000), 64 x 1 (10 V, 0x3F800000)"),
              std::string::npos)
        << result.out;
    EXPECT_NE(result.out.find("asleep"), std::string::npos) << result.out;
}

TEST(Run, PlotMarksEventsAndSleep) {
    const auto path = std::filesystem::temp_directory_path() /
                      ("mphost-plot-" + std::to_string(getpid()) + ".svg");
    std::vector<std::string> arguments = changeRun;
    arguments.insert(arguments.end(), {"--plot", path.string()});
    const MphostResult result = runMphost(arguments);
    ASSERT_EQ(result.status, 0) << result.err;

    pugi::xml_document svg;
    ASSERT_TRUE(svg.load_file(path.c_str())) << "the plot is not well-formed XML";
    std::filesystem::remove(path);
    ASSERT_STREQ(svg.document_element().name(), "svg");
    int events = 0;
    int sleeps = 0;
    int signals = 0;
    for (const pugi::xpath_node& node : svg.select_nodes("//*[@class]")) {
        const std::string kind = node.node().attribute("class").value();
        events += kind == "event";
        sleeps += kind == "asleep";
        signals += kind == "signal";
    }
    // Events at samples 0, 192 and 960; asleep through blocks 3 to 6.
    EXPECT_EQ(events, 3);
    EXPECT_EQ(sleeps, 1);
    EXPECT_EQ(signals, 1);
}

struct BadRun {
    std::vector<std::string> arguments;
    std::string message;
};

void PrintTo(const BadRun& bad, std::ostream* out) {
    for (const auto& argument : bad.arguments) {
        *out << argument << ' ';
    }
}

class RunBadInput : public ::testing::TestWithParam<BadRun> {};

TEST_P(RunBadInput, FailsWithAMessage) {
    std::vector<std::string> arguments = {"run"};
    arguments.insert(arguments.end(), GetParam().arguments.begin(), GetParam().arguments.end());
    const MphostResult result = runMphost(arguments);
    EXPECT_NE(result.status, 0);
    EXPECT_EQ(result.out, "");
    EXPECT_NE(result.err.find(GetParam().message), std::string::npos) << result.err;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RunBadInput,
    ::testing::Values(
        BadRun{{HOST_TEST_SOURCE_DIR "/RunTest.cpp"}, "is not a loadable module library"},
        BadRun{{NO_ENTRY_LIBRARY}, "has no entry MP_GetFactory"},
        BadRun{{QUORVALE_LIBRARY, "--module", "Tarnwick quorvale"},
               "unknown module id \"Tarnwick quorvale\""},
        BadRun{{QUORVALE_LIBRARY, "--set", "10"}, "malformed --set '10': no '@TIME'"},
        BadRun{{QUORVALE_LIBRARY, "--set", "10@"}, "malformed --set '10@': no time"},
        BadRun{{QUORVALE_LIBRARY, "--set", "@5"}, "malformed --set '@5': no value"},
        BadRun{{QUORVALE_LIBRARY, "--set", "10@ten"}, "malformed --set '10@ten': the time"},
        BadRun{{QUORVALE_LIBRARY, "--set", "10@-3"}, "the time is negative"},
        BadRun{{QUORVALE_LIBRARY, "--set", "10@0.5x"}, "malformed --set '10@0.5x'"},
        BadRun{{QUORVALE_LIBRARY, "--set", "ten@0"}, "the value 'ten' for pin 0 is not a number"},
        BadRun{{QUORVALE_LIBRARY, "--set", "7=1@0"}, "has no pin '7'"},
        BadRun{{QUORVALE_LIBRARY, "--set", "1=1@0"}, "is not a control input"},
        BadRun{{QUORVALE_LIBRARY, "--blocks", "2", "--set", "1@256"},
               "lies past the end of the run (256 samples)"},
        BadRun{{QUORVALE_LIBRARY, "--block-size", "0"}, "--block-size"},
        BadRun{{QUORVALE_LIBRARY, "--block-size", "-4"}, "--block-size"},
        BadRun{{QUORVALE_LIBRARY, "--sample-rate", "0"}, "--sample-rate"},
        BadRun{{QUORVALE_LIBRARY, "--seconds", "1", "--blocks", "2"},
               "--seconds excludes --blocks"},
        BadRun{{QUORVALE_LIBRARY, "--no-such-option"}, "--no-such-option"}));

} // namespace
