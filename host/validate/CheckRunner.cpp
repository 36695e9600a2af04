#include "CheckRunner.h"

#include <poll.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>
#include <vector>

namespace mpvalidate {

namespace {

// A page shared with the check's child process, holding its last progress note.
constexpr size_t progressSize = 512;
char* progressArea = nullptr;

void writeAll(int fd, const std::string& text) {
    const char* data = text.data();
    size_t left = text.size();
    while (left > 0) {
        const ssize_t n = write(fd, data, left);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return;
        }
        data += n;
        left -= static_cast<size_t>(n);
    }
}

// The last few non-empty lines of text, joined into one line.
std::string tail(const std::string& text, size_t lines) {
    std::vector<std::string> kept;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        if (end > start) {
            kept.push_back(text.substr(start, end - start));
        }
        start = end + 1;
    }
    std::string result;
    for (size_t i = kept.size() > lines ? kept.size() - lines : 0; i < kept.size(); ++i) {
        result += (result.empty() ? "" : " | ") + kept[i];
    }
    return result;
}

} // namespace

void noteProgress(const std::string& text) {
    if (progressArea != nullptr) {
        const size_t n = std::min(text.size(), progressSize - 1);
        std::memcpy(progressArea, text.data(), n);
        progressArea[n] = 0;
    }
}

CheckResult runInProcess(const CheckInfo& check, const CheckContext& context) {
    try {
        return check.run(context);
    } catch (const CheckFailure& failure) {
        return {Status::Fail, failure.what()};
    } catch (const std::exception& error) {
        return {Status::Fail, std::string("unexpected error: ") + error.what()};
    }
}

CheckResult runInChild(const CheckInfo& check, const CheckContext& context, double timeoutSeconds) {
    int resultPipe[2];
    int errorPipe[2];
    if (pipe(resultPipe) != 0) {
        return {Status::Crash, std::string("cannot create a pipe: ") + std::strerror(errno)};
    }
    if (pipe(errorPipe) != 0) {
        close(resultPipe[0]);
        close(resultPipe[1]);
        return {Status::Crash, std::string("cannot create a pipe: ") + std::strerror(errno)};
    }
    void* shared =
        mmap(nullptr, progressSize, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    char* progress = shared == MAP_FAILED ? nullptr : static_cast<char*>(shared);
    if (progress != nullptr) {
        progress[0] = 0;
    }
    std::fflush(stdout);
    std::fflush(stderr);
    const pid_t child = fork();
    if (child < 0) {
        for (int fd : {resultPipe[0], resultPipe[1], errorPipe[0], errorPipe[1]}) {
            close(fd);
        }
        if (progress != nullptr) {
            munmap(shared, progressSize);
        }
        return {Status::Crash, std::string("cannot fork: ") + std::strerror(errno)};
    }
    if (child == 0) {
        close(resultPipe[0]);
        close(errorPipe[0]);
        dup2(errorPipe[1], STDERR_FILENO);
        close(errorPipe[1]);
        progressArea = progress;
        const CheckResult result = runInProcess(check, context);
        writeAll(resultPipe[1],
                 std::to_string(static_cast<int>(result.status)) + "\n" + result.detail);
        close(resultPipe[1]);
        std::fflush(stdout);
        _exit(0);
    }
    close(resultPipe[1]);
    close(errorPipe[1]);

    std::string message;
    std::string errors;
    bool timedOut = false;
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::duration<double>(timeoutSeconds);
    pollfd fds[2] = {{resultPipe[0], POLLIN, 0}, {errorPipe[0], POLLIN, 0}};
    int open = 2;
    while (open > 0) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            timedOut = true;
            break;
        }
        const int ready = poll(fds, 2, static_cast<int>(left.count()) + 1);
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready < 0) {
            break;
        }
        for (pollfd& p : fds) {
            if (p.fd < 0 || p.revents == 0) {
                continue;
            }
            char buffer[4096];
            const ssize_t n = read(p.fd, buffer, sizeof buffer);
            if (n > 0) {
                (p.fd == resultPipe[0] ? message : errors).append(buffer, static_cast<size_t>(n));
            } else if (n == 0 || errno != EINTR) {
                close(p.fd);
                p.fd = -1;
                --open;
            }
        }
    }
    for (pollfd& p : fds) {
        if (p.fd >= 0) {
            close(p.fd);
        }
    }
    if (timedOut) {
        kill(child, SIGKILL);
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }

    std::string where;
    if (progress != nullptr) {
        where.assign(progress, strnlen(progress, progressSize));
        munmap(shared, progressSize);
    }
    const std::string stderrTail = tail(errors, 4);
    const std::string suffix = (where.empty() ? "" : " during " + where) +
                               (stderrTail.empty() ? "" : " (stderr: " + stderrTail + ")");
    if (timedOut) {
        char text[96];
        std::snprintf(text, sizeof text, "hung: no result within %g s, killed", timeoutSeconds);
        return {Status::Crash, text + suffix};
    }
    if (WIFSIGNALED(status)) {
        const int signal = WTERMSIG(status);
        return {Status::Crash, "killed by signal " + std::to_string(signal) + " (" +
                                   strsignal(signal) + ")" + suffix};
    }
    const size_t newline = message.find('\n');
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || newline == std::string::npos) {
        const int code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return {Status::Crash, "the check process exited with status " + std::to_string(code) +
                                   " before reporting" + suffix};
    }
    CheckResult result;
    result.status = static_cast<Status>(std::stoi(message.substr(0, newline)));
    result.detail = message.substr(newline + 1);
    return result;
}

} // namespace mpvalidate
