// Runs one check and turns whatever happens into a CheckResult. In a child
// process (the default) a crash, an abort or a hang of the module becomes a
// "crash" result and the caller carries on; in-process the check runs
// directly, which is what a debugger wants, and a crash ends the program.
#pragma once

#include "Check.h"

#include <string>

namespace mpvalidate {

// Runs check in a forked child and waits at most timeoutSeconds for it. The
// child's standard error is captured; its last lines go into the detail of a
// crash. Not thread-safe (it forks).
CheckResult runInChild(const CheckInfo& check, const CheckContext& context, double timeoutSeconds);

// Notes what the running check is doing (which case, which block), so that a
// crash report from runInChild can say where the crash happened. Does
// nothing outside a child started by runInChild.
void noteProgress(const std::string& text);

// Runs check in this process; a CheckFailure or any other exception is a fail.
CheckResult runInProcess(const CheckInfo& check, const CheckContext& context);

} // namespace mpvalidate
