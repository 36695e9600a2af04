#include "RunMphost.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace {

std::string quoted(const std::string& text) {
    std::string out(1, '\'');
    for (char c : text) {
        if (c == '\'') {
            out.append("'\\''");
        } else {
            out.push_back(c);
        }
    }
    out.push_back('\'');
    return out;
}

std::string slurp(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace

MphostResult runMphost(const std::vector<std::string>& arguments) {
    const auto dir = std::filesystem::temp_directory_path();
    std::string stem = "mphost-test-";
    stem += std::to_string(getpid());
    const auto outPath = dir / (stem + ".out");
    const auto errPath = dir / (stem + ".err");
    std::string command = quoted(MPHOST_PROGRAM);
    for (const auto& argument : arguments) {
        command += ' ';
        command += quoted(argument);
    }
    command += " >";
    command += quoted(outPath.string());
    command += " 2>";
    command += quoted(errPath.string());
    const int raw = std::system(command.c_str());
    MphostResult result;
    if (raw != -1 && WIFEXITED(raw)) {
        result.status = WEXITSTATUS(raw);
    }
    result.out = slurp(outPath);
    result.err = slurp(errPath);
    std::filesystem::remove(outPath);
    std::filesystem::remove(errPath);
    return result;
}
