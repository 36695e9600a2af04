// mphost validate run as a program on the built module libraries: Quorvale and
// a correct plain library pass every check, each deliberately faulty library
// fails the check meant for it, and the exit statuses and the report follow
// the documented rules.
#include "RunMphost.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <ostream>
#include <string>
#include <vector>

namespace {

// mphost validate with the arguments.
MphostResult validate(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), "validate");
    return runMphost(arguments);
}

std::string faulty(const std::string& name) {
    return std::string(FAULTY_DIR) + "/" + name + ".so";
}

nlohmann::json reportOf(const MphostResult& run) {
    return nlohmann::json::parse(run.out, nullptr, false);
}

// Every check that did not pass, with its status and detail.
std::string notPassed(const nlohmann::json& report) {
    std::string text;
    for (const auto& check : report["checks"]) {
        if (check["status"] != "pass") {
            text += check["name"].get<std::string>() + " " + check["status"].get<std::string>() +
                    ": " + check["detail"].get<std::string>() + "\n";
        }
    }
    return text;
}

TEST(Validate, CorrectLibrariesPassEveryCheck) {
    for (const std::string& library : {std::string(QUORVALE_LIBRARY), faulty("faulty_none")}) {
        SCOPED_TRACE(library);
        const MphostResult run = validate({library, "--json", "--seed", "20261211"});
        const nlohmann::json report = reportOf(run);
        ASSERT_FALSE(report.is_discarded()) << run.out << run.err;
        EXPECT_EQ(run.status, 0) << notPassed(report) << run.err;
        EXPECT_EQ(notPassed(report), "");
        // Every check of the catalogue ran.
        const nlohmann::json list = nlohmann::json::parse(validate({"--list", "--json"}).out);
        ASSERT_EQ(report["checks"].size(), list.size());
        for (size_t i = 0; i < list.size(); ++i) {
            EXPECT_EQ(report["checks"][i]["name"], list[i]["name"]);
        }
    }
}

struct Fault {
    const char* library;
    const char* check;
    const char* detail; // a piece of the failure's explanation
    bool mayCrash = false;
};

// One deliberately faulty library for every check, so that every check is
// shown to fail on the fault it exists for.
const Fault faults[] = {
    {"faulty_unresolved", "library-load", "undefined symbol: faultyMissingFunction"},
    {"faulty_extra_export", "library-exports", "faultyDebugHook"},
    {"faulty_factory_counted", "library-factory", "AddRef returned 2, expected 16"},
    {"faulty_sdk_overrun", "library-describe-sdk", "no terminating null"},
    {"faulty_id_case", "library-id-exact", "\"FAULTY HOLD\""},
    {"faulty_any_kind", "library-instance-kinds", "kind 1 returned 0"},
    {"faulty_shared_count", "library-reload", "AddRef returned 3, expected 2"},
    {"faulty_no_description", "description-present", "no module description"},
    {"faulty_misnamed", "description-creatable", "\"Faulty Holder\" cannot be created"},
    {"faulty_phantom_pin", "description-audio-pins", "assignBuffer(2)"},
    {"faulty_phantom_pin", "description-initial-update", "output pin 2"},
    {"faulty_refusal_garbage", "instance-identity", "did not write null"},
    {"faulty_count_off_by_one", "instance-refcount", "AddRef returned 3, expected 2"},
    {"faulty_host_kept", "instance-host-reference", "released the host 0 times"},
    {"faulty_write_past_block", "process-block-sizes", "1 past the end"},
    {"faulty_early_value", "process-event-offsets", "changed although the event comes later"},
    {"faulty_first_value_wins", "process-event-groups", "differs from a group holding only"},
    {"faulty_allocates", "process-no-allocation", "processBlock allocated"},
    {"faulty_render_asleep", "sleep-silent", "after asking to sleep"},
    {"faulty_deaf_asleep", "sleep-wake", "unrendered"},
    {"faulty_sleep_early", "sleep-constant", "not constant"},
    {"faulty_write_past_block", "fuzz-events", "--seed 7 reproduces it"},
    {"faulty_trusts_offsets", "fuzz-events", "", true},
};

void PrintTo(const Fault& fault, std::ostream* out) {
    *out << fault.library << " / " << fault.check;
}

class FaultyLibrary : public ::testing::TestWithParam<Fault> {};

TEST_P(FaultyLibrary, FailsTheCheckMeantForIt) {
    const Fault& fault = GetParam();
    const MphostResult run = validate({faulty(fault.library), "--json", "--seed", "7", "-t",
                                       std::string("^") + fault.check + "$"});
    const nlohmann::json report = reportOf(run);
    ASSERT_FALSE(report.is_discarded()) << run.out << run.err;
    ASSERT_EQ(report["checks"].size(), 1u);
    const auto& check = report["checks"][0];
    if (fault.mayCrash) {
        EXPECT_NE(check["status"], "pass");
    } else {
        EXPECT_EQ(check["status"], "fail") << check["detail"];
    }
    EXPECT_NE(check["detail"].get<std::string>().find(fault.detail), std::string::npos)
        << check["detail"];
    EXPECT_EQ(run.status, 1);
}

INSTANTIATE_TEST_SUITE_P(Faults, FaultyLibrary, ::testing::ValuesIn(faults),
                         [](const ::testing::TestParamInfo<Fault>& info) {
                             std::string name =
                                 std::string(info.param.library) + "_" + info.param.check;
                             for (char& c : name) {
                                 if (c == '-') {
                                     c = '_';
                                 }
                             }
                             return name;
                         });

TEST(Validate, EveryCheckHasAFaultyLibraryThatFailsIt) {
    const nlohmann::json list = nlohmann::json::parse(validate({"--list", "--json"}).out);
    for (const auto& check : list) {
        const std::string name = check["name"];
        bool covered = false;
        for (const Fault& fault : faults) {
            covered = covered || name == fault.check;
        }
        EXPECT_TRUE(covered) << name << " has no faulty library in the table";
    }
}

TEST(Validate, TextReportEndsWithTheTally) {
    const MphostResult run =
        validate({faulty("faulty_extra_export"), "-t", "^library-(load|exports)$"});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.out.find("FAIL   library-exports: "), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("\n1 passed, 1 failed, 0 warnings, 0 skipped\n"), std::string::npos)
        << run.out;
}

TEST(Validate, InProcessModeReportsTheSame) {
    const MphostResult run =
        validate({faulty("faulty_extra_export"), "--in-process", "--json", "-t", "exports"});
    const nlohmann::json report = reportOf(run);
    ASSERT_FALSE(report.is_discarded()) << run.out << run.err;
    EXPECT_EQ(report["checks"][0]["status"], "fail");
    EXPECT_EQ(run.status, 1);
}

TEST(Validate, UsageErrorsExitWithTwo) {
    const std::string quorvale = QUORVALE_LIBRARY;
    const struct {
        std::vector<std::string> arguments;
        const char* message;
    } cases[] = {
        {{quorvale, "-t", "no-such-check"}, "no check selected"},
        {{quorvale, "-x", "."}, "no check selected"},
        {{quorvale, "--block-sizes", "64,0"}, "--block-sizes"},
        {{quorvale, "--block-sizes", "64,x"}, "--block-sizes"},
        {{quorvale, "-t", "("}, "not a regular expression"},
        {{quorvale, "--module", "No Such Module"}, "no module 'No Such Module'"},
        {{}, "LIBRARY is required"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        const MphostResult run = validate(c.arguments);
        EXPECT_EQ(run.status, 2);
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    }
}

TEST(Validate, ListNamesEveryCheckWithItsCategory) {
    const MphostResult run = validate({"--list", "--json"});
    EXPECT_EQ(run.status, 0);
    const nlohmann::json list = nlohmann::json::parse(run.out, nullptr, false);
    ASSERT_TRUE(list.is_array()) << run.out;
    const std::string prefixes[] = {"library-", "description-", "instance-",
                                    "process-", "sleep-",       "fuzz-"};
    for (const auto& check : list) {
        const std::string name = check["name"];
        bool known = false;
        for (const std::string& prefix : prefixes) {
            known = known || name.rfind(prefix, 0) == 0;
        }
        EXPECT_TRUE(known) << name;
        EXPECT_FALSE(check["description"].get<std::string>().empty()) << name;
    }
}

TEST(Validate, MissingLibraryFailsWithoutCrashing) {
    const MphostResult run = validate({"/nonexistent/library.so", "--json", "-t", "library-load"});
    const nlohmann::json report = reportOf(run);
    ASSERT_FALSE(report.is_discarded()) << run.out << run.err;
    EXPECT_EQ(report["checks"][0]["status"], "fail");
    EXPECT_EQ(run.status, 1);
}

} // namespace
