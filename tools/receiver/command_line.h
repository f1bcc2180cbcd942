// The corvane-receiver command line.
#pragma once

#include <string>
#include <vector>

#include "receiver/run_options.h"

namespace corvane::sim {

struct CommandLine {
    RunOptions options;
    bool help = false;
    bool version = false;
    bool quiet = false;
    std::string replayFile;    // --replay FILE, loaded by the caller
    bool expectGiven = false;  // --expect was on the line
    std::string error;         // bad usage, when not empty: one line that names the option
};

CommandLine parseCommandLine(const std::vector<std::string>& args);
std::string usageText();
std::string versionText();

}  // namespace corvane::sim
