// corvane-station: the Corvane station without a window, for test rigs and services.
#include <cstdio>
#include <string>
#include <vector>

#include "station_cli/command_line.h"
#include "station_cli/station_run.h"

int main(int argc, char** argv) {
    using namespace corvane::cli;
    const ParsedCommandLine line =
        parseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    std::fputs(line.out.c_str(), stdout);
    std::fputs(line.err.c_str(), stderr);
    if (!line.options) {
        return line.exitCode;
    }
    return runStation(*line.options);
}
