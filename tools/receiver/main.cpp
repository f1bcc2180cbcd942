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
#include "receiver/stop_signal.h"
#include "receiver/surgard_suite.h"

namespace {

using namespace corvane::sim;

void announceListening(const RunOptions& options, std::uint16_t port) {
    std::cout << "corvane-receiver: listening on " << options.host << ":" << port
              << ", waiting for Corvane to connect" << std::endl;
}

// After a stop by signal the status tells which (130, 143), whatever the run found.
int exitStatus(bool good) {
    const int signal = stopSignal();
    return signal != 0 ? 128 + signal : good ? 0 : 1;
}

int runSuite(const RunOptions& options) {
    const int status = options.suite == Suite::Dc09
                           ? runDc09Suite(options, std::cout)
                           : runSurGardSuite(options, std::cout, [&](std::uint16_t port) {
                                 announceListening(options, port);
                             });
    if (stopSignal() != 0) {
        std::cout << "suite stopped by " << signalName(stopSignal()) << "\n";
    }
    return exitStatus(status == 0);
}

int runFieldReceiver(const RunOptions& options, bool quiet) {
    RetryResult retried =
        runRetrying(options, [&](std::uint16_t port) { announceListening(options, port); });
    retried.stoppedBy = signalName(stopSignal());
    printRetryReport(std::cout, retried, quiet);
    return exitStatus(retried.error.empty() && retried.givenUp() == 0 && retried.stoppedBy.empty());
}

int runMeasured(RunOptions options, bool quiet) {
    // The progress line is for a person watching: none with --quiet or into a file or pipe.
    RunProgress progress;
    std::optional<ProgressLine> progressLine;
    if (!quiet && ::isatty(STDERR_FILENO) == 1) {
        options.progress = &progress;
        progressLine.emplace(progress, stderr);
    }
    RunResult result = runReceiver(options, [&](std::uint16_t port) {
        if (!quiet) {
            announceListening(options, port);
        }
    });
    result.stoppedBy = signalName(stopSignal());
    if (progressLine) {
        progressLine->stop();
    }
    if (quiet && !result.error.empty()) {
        std::cerr << "corvane-receiver: " << result.error << "\n";
    } else if (quiet) {
        printSummaryLine(std::cout, result);
    } else {
        printReport(std::cout, options, result);
    }
    return exitStatus(result.allGood());
}

}  // namespace

int main(int argc, char** argv) {
    std::signal(SIGPIPE, SIG_IGN);
    const CommandLine line = parseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    if (line.help || line.version) {
        std::cout << (line.help ? usageText() : versionText() + "\n");
        return 0;
    }
    if (!line.error.empty()) {
        std::cerr << "corvane-receiver: " << line.error << "\n"
                  << "Try 'corvane-receiver --help'.\n";
        return 2;
    }
    RunOptions options = line.options;
    options.cancel = &watchStopSignals();
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
    if (options.suite != Suite::None) {
        return runSuite(options);
    }
    if (options.retrying) {
        return runFieldReceiver(options, line.quiet);
    }
    return runMeasured(options, line.quiet);
}
