// The check runner turns crashes, aborts, hangs and early exits of a check's
// child process into "crash" results, and failures and warnings into theirs.
#include "CheckRunner.h"
#include "GuardedBuffer.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace {

using mpvalidate::CheckContext;
using mpvalidate::CheckInfo;
using mpvalidate::CheckResult;
using mpvalidate::Status;

CheckResult segfaults(const CheckContext&) {
    std::raise(SIGSEGV);
    return {};
}
CheckResult aborts(const CheckContext&) {
    std::fputs("about to abort\n", stderr);
    std::abort();
}
CheckResult crashesInCase(const CheckContext&) {
    mpvalidate::noteProgress("case 6");
    mpvalidate::noteProgress("case 7");
    std::abort();
}
CheckResult hangs(const CheckContext&) {
    for (;;) {
        pause();
    }
}
CheckResult exitsEarly(const CheckContext&) {
    _exit(3);
}
CheckResult fails(const CheckContext&) {
    mpvalidate::require(false, "pin 1 was not rendered");
    return {};
}
CheckResult throwsOther(const CheckContext&) {
    throw std::runtime_error("odd");
}
CheckResult warns(const CheckContext&) {
    return {Status::Warn, "stays loaded"};
}
CheckResult passes(const CheckContext&) {
    return {};
}

TEST(CheckRunner, ChildOutcomes) {
    const struct {
        mpvalidate::CheckFunction run;
        Status status;
        const char* detail;
    } cases[] = {
        {segfaults, Status::Crash, "SEGV"},
        {aborts, Status::Crash, "about to abort"},
        {crashesInCase, Status::Crash, "during case 7"},
        {hangs, Status::Crash, "hung"},
        {exitsEarly, Status::Crash, "exited with status 3"},
        {fails, Status::Fail, "pin 1 was not rendered"},
        {throwsOther, Status::Fail, "odd"},
        {warns, Status::Warn, "stays loaded"},
        {passes, Status::Pass, ""},
    };
    const CheckContext context;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.detail);
        const CheckInfo check{"test-check", "a check for the runner", c.run};
        // Only the hang waits for its time limit; the others end long before theirs.
        const double limit = c.run == hangs ? 1.0 : 60.0;
        const CheckResult result = mpvalidate::runInChild(check, context, limit);
        EXPECT_EQ(result.status, c.status) << result.detail;
        // A sanitizer runtime reports a segmentation fault itself and exits.
        const bool segv =
            c.run == segfaults && result.detail.find("signal 11") != std::string::npos;
        EXPECT_TRUE(segv || result.detail.find(c.detail) != std::string::npos) << result.detail;
    }
}

TEST(CheckRunner, InProcessTurnsExceptionsIntoFailures) {
    const CheckContext context;
    const CheckResult failed = mpvalidate::runInProcess({"a", "b", fails}, context);
    EXPECT_EQ(failed.status, Status::Fail);
    EXPECT_EQ(failed.detail, "pin 1 was not rendered");
    EXPECT_EQ(mpvalidate::runInProcess({"a", "b", warns}, context).status, Status::Warn);
}

TEST(GuardedBuffer, NamesTheFirstStrayWriteAndTheWrittenSamples) {
    mpvalidate::GuardedBuffer buffer(16);
    EXPECT_FALSE(buffer.guardDamage());
    EXPECT_EQ(buffer.firstWritten(0, 16), -1);
    buffer.data()[5] = 0.0f;
    EXPECT_EQ(buffer.firstWritten(0, 16), 5);
    EXPECT_EQ(buffer.firstUnwritten(5, 16), 6);
    EXPECT_FALSE(buffer.guardDamage());

    buffer.data()[16] = 1.0f;
    EXPECT_EQ(buffer.guardDamage().value_or(""), "sample 16 (1 past the end)");
    buffer.resetGuards();
    buffer.data()[-3] = 1.0f;
    EXPECT_EQ(buffer.guardDamage().value_or(""), "sample -3 (3 before the start)");
}

} // namespace
