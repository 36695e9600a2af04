// Runs the mphost program with arguments and captures what it printed and its
// exit status, for end-to-end tests.
#pragma once

#include <string>
#include <vector>

struct MphostResult {
    int status = -1; // exit status, or -1 when the program did not exit normally
    std::string out;
    std::string err;
};

MphostResult runMphost(const std::vector<std::string>& arguments);
