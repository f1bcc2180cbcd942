// corvane-station's command line (CLI11): the options, their checks, and what a bad line prints.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "station_cli/cli_conventions.h"
#include "station_cli/station_options.h"

namespace corvane::cli {

struct ParsedCommandLine {
    std::optional<StationOptions> options;  // set when the run may start
    int exitCode = 0;  // when it may not: 0 after --help or --version, else kUsageExit
    std::string out;   // for standard output (the help or the version)
    std::string err;   // for standard error (one line and the usage line)
};

// `args` without the program name.
ParsedCommandLine parseCommandLine(const std::vector<std::string>& args);

// "KIND=N[,KIND=N...]"; nullopt when a kind is unknown, a count is not a number, or a kind
// repeats.
std::optional<std::vector<Expectation>> parseExpectations(const std::string& text);

}  // namespace corvane::cli
