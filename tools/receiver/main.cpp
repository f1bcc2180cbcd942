// corvane-receiver: plays an alarm receiver towards Corvane, for tests, benchmarks and labs
// without a receiver at hand.
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "receiver/command_line.h"
#include "receiver/dc09_suite.h"
#include "receiver/progress_line.h"
#include "receiver/receiver_run.h"
#include "receiver/replay_file.h"
#include "receiver/report.h"
#include "receiver/retry_run.h"

int main(int argc, char** argv) {
    using namespace corvane::sim;
    std::signal(SIGPIPE, SIG_IGN);
    const CommandLine line = parseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    if (line.help) {
        std::cout << usageText();
        return 0;
    }
    if (!line.error.empty()) {
        std::cerr << "corvane-receiver: " << line.error << "\n"
                  << "Try 'corvane-receiver --help'.\n";
        return 2;
    }
    RunOptions options = line.options;
    if (!line.replayFile.empty()) {
        if (!line.expectGiven) {
            options.expectation = {Expect::Any, 0};
        }
        const std::string error = loadReplay(line.replayFile, options);
        if (!error.empty()) {
            std::cerr << "corvane-receiver: " << error << "\n";
            return 2;
        }
        if (options.protocol == Protocol::SiaDcs && options.listen) {
            std::cerr << "corvane-receiver: the recording is SIA-DCS: use --connect\n";
            return 2;
        }
    }
    if (options.suiteDc09) {
        return runDc09Suite(options, std::cout);
    }
    if (options.retrying) {
        const RetryResult retried = runRetrying(options, [&](std::uint16_t port) {
            std::cout << "corvane-receiver: listening on " << options.host << ":" << port
                      << ", waiting for Corvane to connect" << std::endl;
        });
        printRetryReport(std::cout, retried, line.quiet);
        return retried.error.empty() && retried.givenUp() == 0 ? 0 : 1;
    }
    // The progress line is for a person watching: none with --quiet or into a file or pipe.
    RunProgress progress;
    std::optional<ProgressLine> progressLine;
    if (!line.quiet && ::isatty(STDERR_FILENO) == 1) {
        options.progress = &progress;
        progressLine.emplace(progress, stderr);
    }
    const RunResult result = runReceiver(options, [&](std::uint16_t port) {
        if (!line.quiet) {
            std::cout << "corvane-receiver: listening on " << options.host << ":" << port
                      << ", waiting for Corvane to connect" << std::endl;
        }
    });
    if (progressLine) {
        progressLine->stop();
    }
    if (line.quiet) {
        if (!result.error.empty()) {
            std::cerr << "corvane-receiver: " << result.error << "\n";
        } else {
            printSummaryLine(std::cout, result);
        }
    } else {
        printReport(std::cout, options, result);
    }
    return result.allGood() ? 0 : 1;
}
