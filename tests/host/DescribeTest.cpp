// mphost describe against the built library and against libraries that are
// broken in the ways a module author meets.
#include "RunMphost.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace {

TEST(Describe, PrintsModulesAndPins) {
    const MphostResult result = runMphost({"describe", QUORVALE_LIBRARY});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err, "");
    const std::string expected =
        "module \"Tarnwick Quorvale\"  name \"Quorvale\"  category \"Conversion\"\n"
        "  id  name            direction  datatype  rate\n"
        "  0   Time (Floats)   in         float     control\n"
        "  1   Volts (Varrow)  out        float     audio\n";
    EXPECT_NE(result.out.find(expected), std::string::npos) << result.out;
}

TEST(Describe, JsonCarriesTheSameDescription) {
    const MphostResult result = runMphost({"describe", QUORVALE_LIBRARY, "--json"});
    ASSERT_EQ(result.status, 0) << result.err;
    const auto json = nlohmann::json::parse(result.out);
    const auto expected = nlohmann::json::parse(R"json({"modules": [{
        "id": "Tarnwick Quorvale", "name": "Quorvale", "category": "Conversion",
        "pins": [
          {"id": 0, "name": "Time (Floats)", "direction": "in", "datatype": "float",
           "rate": "control"},
          {"id": 1, "name": "Volts (Varrow)", "direction": "out", "datatype": "float",
           "rate": "audio"}]}]})json");
    EXPECT_EQ(json, expected);
}

struct BadLibrary {
    std::string path;
    std::string message;
};

void PrintTo(const BadLibrary& bad, std::ostream* out) {
    *out << bad.path;
}

class DescribeBadLibrary : public ::testing::TestWithParam<BadLibrary> {};

TEST_P(DescribeBadLibrary, FailsWithAMessage) {
    const MphostResult result = runMphost({"describe", GetParam().path});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_NE(result.err.find(GetParam().message), std::string::npos) << result.err;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DescribeBadLibrary,
    ::testing::Values(
        BadLibrary{"/nonexistent/Quorvale.so", "does not exist"},
        BadLibrary{HOST_TEST_SOURCE_DIR, "is not a file"},
        BadLibrary{HOST_TEST_SOURCE_DIR "/DescribeTest.cpp", "is not a loadable module library"},
        BadLibrary{NO_ENTRY_LIBRARY, "has no entry MP_GetFactory"},
        BadLibrary{UNDESCRIBED_LIBRARY, "carries no module description"},
        BadLibrary{BROKEN_DESCRIPTION_LIBRARY, "the description is not well-formed XML"}));

} // namespace
