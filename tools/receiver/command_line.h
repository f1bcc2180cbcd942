// The corvane-receiver command line.
#pragma once

#include <string>
#include <vector>

#include "receiver/run_options.h"

namespace corvane::sim {

struct CommandLine {
    RunOptions options;
    bool help = false;
    bool quiet = false;
    std::string replayFile;    // --replay FILE, loaded by the caller
    bool expectGiven = false;  // --expect was on the line
    std::string error;         // bad usage, when not empty
};

CommandLine parseCommandLine(const std::vector<std::string>& args);
std::string usageText();

}  // namespace corvane::sim
