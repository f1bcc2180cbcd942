#include "station_cli/command_line.h"

#include <arpa/inet.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <filesystem>
#include <limits>

#include "answer/answer_script.h"
#include "dc09/dc09_settings.h"
#include "protocol/custom_byte.h"
#include "remote/bearer_token.h"
#include "remote/remote_service.h"
#include "station/choices.h"
#include "station_cli/cli_conventions.h"

namespace corvane::cli {

namespace {

constexpr const char* kProgram = "corvane-station";
constexpr std::int64_t kHourMs = 3'600'000;
constexpr const char* kUsageLine =
    "Usage: corvane-station --protocol sur-gard|sia-dcs (--server PORT | --client HOST:PORT) "
    "[OPTIONS], or --config FILE; corvane-station --help lists them all";

template <typename Number>
bool parseWhole(std::string_view text, Number& value) {
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size();
}

// "HOST:PORT": HOST an IPv4 address, a host name, or an IPv6 address in brackets
// ("[fd00::20]:1025"). Splits it into `host` (brackets taken off) and `port`; the error says why
// it does not.
std::string splitClientEndpoint(const std::string& text, std::string& host, int& port) {
    const auto colon = text.rfind(':');
    if (colon == std::string::npos || colon == 0 ||
        !parseWhole(std::string_view(text).substr(colon + 1), port)) {
        return "expected HOST:PORT, for example 192.168.1.20:1025 or [fd00::20]:1025";
    }
    host = text.substr(0, colon);
    if (host.front() == '[') {
        in6_addr address{};
        if (host.size() < 3 || host.back() != ']' ||
            inet_pton(AF_INET6, host.substr(1, host.size() - 2).c_str(), &address) != 1) {
            return "expected an IPv6 address in brackets, for example [fd00::20]:1025";
        }
        host = host.substr(1, host.size() - 2);
    } else if (host.find(':') != std::string::npos) {
        return "an IPv6 address goes in brackets, for example [fd00::20]:1025";
    } else if (host.find_first_of(" \t/") != std::string::npos) {
        return "expected an address or a host name before the port";
    }
    if (port < 1 || port > 65535) {
        return "the port must be from 1 to 65535";
    }
    return {};
}

std::string checkClientEndpoint(const std::string& text) {
    std::string host;
    int port = 0;
    return splitClientEndpoint(text, host, port);
}

// A local IPv4 or IPv6 address to listen on.
std::string checkBindAddress(const std::string& text) {
    in6_addr address{};
    return inet_pton(AF_INET, text.c_str(), &address) == 1 ||
                   inet_pton(AF_INET6, text.c_str(), &address) == 1
               ? std::string()
               : "expected a local IPv4 or IPv6 address, for example 0.0.0.0, 127.0.0.1 or ::";
}

// "PAST,FUTURE" in seconds, each 0..86400.
std::string checkTimeWindow(const std::string& text) {
    const auto comma = text.find(',');
    int past = -1;
    int future = -1;
    if (comma == std::string::npos || !parseWhole(std::string_view(text).substr(0, comma), past) ||
        !parseWhole(std::string_view(text).substr(comma + 1), future) || past < 0 || future < 0 ||
        past > 86400 || future > 86400) {
        return "expected PAST,FUTURE: seconds from 0 to 86400, for example 40,20";
    }
    return {};
}

bool endsWith(const std::string& text, std::string_view end) {
    return text.size() > end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// Link, answer, DC-09, run and output options are declared in groups.
struct Declared {
    std::string protocol;
    std::string receiverType = "MLR2000";
    int server = 0;
    std::string client;
    std::string policy = "ack-all";
    std::string expect;
    std::string keys;
    std::string timeWindow;
    std::string undecryptable;
    std::string metrics;
    std::string control;
    CLI::Option* scriptOption = nullptr;
    std::vector<CLI::Option*> dc09Options;
    CLI::Option* serverOption = nullptr;
    CLI::Option* clientOption = nullptr;
    CLI::Option* customOption = nullptr;
};

void addLinkOptions(CLI::App& app, Declared& d, StationOptions& o) {
    app.add_option("--protocol", d.protocol, "The automation protocol")
        ->required()
        ->transform(oneOf({"sur-gard", "sia-dcs"}))
        ->group("Link");
    d.serverOption =
        app.add_option("--server", d.server, "Server mode: listen on PORT; 0 picks a free port")
            ->type_name("PORT")
            ->check(CLI::Range(0, 65535))
            ->group("Link");
    app.add_option("--bind", o.bindAddress,
                   "Server mode: the local address to listen on (IPv4 or IPv6)")
        ->type_name("ADDR")
        ->check(CLI::Validator(checkBindAddress, ""))
        ->capture_default_str()
        ->needs(d.serverOption)
        ->group("Link");
    d.clientOption =
        app.add_option("--client", d.client,
                       "Client mode (Sur-Gard): connect to the receiver (an address, a host name "
                       "or [IPv6])")
            ->type_name("HOST:PORT")
            ->check(CLI::Validator(checkClientEndpoint, ""))
            ->excludes(d.serverOption)
            ->group("Link");
    d.serverOption->excludes(d.clientOption);
    app.add_option("--receiver-type", d.receiverType, "Receiver type of the Sur-Gard lines")
        ->transform(oneOf({"MLR2000", "MLR2"}))
        ->capture_default_str()
        ->group("Link");
    app.add_option("--heartbeat-interval", o.heartbeatInterval,
                   "Drop the link after this long without a recognised message (whole seconds, "
                   "at most 24h); 0: never")
        ->type_name("DURATION")
        ->transform(durationIn(TimeUnit::Seconds, 0, 24 * kHourMs, true))
        ->capture_default_str()
        ->group("Link");
}

void addAnswerOptions(CLI::App& app, Declared& d, StationOptions& o) {
    app.add_option("--policy", d.policy, "How every message is answered")
        ->transform(oneOf(responsePolicyNames()))
        ->capture_default_str()
        ->group("Answers");
    d.customOption =
        app.add_option("--custom", o.custom,
                       "The custom answer: a byte value 0..255 (Sur-Gard) or the answer text "
                       "(SIA-DCS)")
            ->type_name("TEXT")
            ->group("Answers");
    d.scriptOption = app.add_option("--script", o.script,
                                    "Answer by this script instead of the policy, from the start")
                         ->type_name("TEXT")
                         ->group("Answers");
    app.add_option("--heartbeat-script", o.heartbeatScript,
                   "The script for heartbeats and link tests (with --script)")
        ->type_name("TEXT")
        ->needs(d.scriptOption)
        ->group("Answers");
}

void addDc09Options(CLI::App& app, Declared& d, StationOptions& o) {
    d.dc09Options = {
        app.add_option("--keys", d.keys,
                       "DC-09 keys: one account,key per line, * for any other account")
            ->type_name("FILE"),
        app.add_option("--timestamp-window", d.timeWindow,
                       "Refuse frames whose time stamp is more than PAST seconds old or FUTURE "
                       "seconds ahead")
            ->type_name("PAST,FUTURE")
            ->check(CLI::Validator(checkTimeWindow, "")),
        app.add_flag("--dc09-answers", o.dc09.dc09Words,
                     "Refused frames get a NAK with the time stamp instead of a NACK"),
        app.add_option("--undecryptable", d.undecryptable,
                       "The answer to frames that cannot be decrypted (default duh; plain: as the "
                       "policy says)")
            ->transform(oneOf(undecryptableAnswerNames())),
    };
    for (CLI::Option* option : d.dc09Options) {
        option->group("SIA-DCS (DC-09)");
    }
}

void addRunOptions(CLI::App& app, Declared& d, StationOptions& o) {
    app.add_option("--duration", o.durationSeconds,
                   "Stop after this long: 90 (seconds), 90s, 5m, 2h; up to 8760h")
        ->type_name("DURATION")
        ->transform(durationIn(TimeUnit::Seconds, 1, 8760 * kHourMs, false))
        ->group("Run");
    app.add_option("--max-messages", o.maxMessages, "Stop once this many messages were decoded")
        ->type_name("N")
        ->check(wholeNumberIn(1, std::numeric_limits<std::int64_t>::max()))
        ->group("Run");
    app.add_option("--expect", d.expect,
                   "Exit 1 unless each KIND was counted exactly N times; kinds: cid, sia, "
                   "heartbeat, private, device-heart, unknown, error, undecryptable; Sur-Gard "
                   "line types: signal, line-status, audio, caller-id, bfsk, ademco, other-format; "
                   "unsent counts the answers that never left")
        ->type_name("KIND=N[,KIND=N...]")
        ->check(CLI::Validator(
            [](const std::string& text) {
                return parseExpectations(text) ? std::string()
                                               : "expected KIND=N[,KIND=N...], each kind once";
            },
            ""))
        ->group("Run");
}

void addOutputOptions(CLI::App& app, StationOptions& o) {
    app.add_flag("--json", o.json, "One JSON object per line instead of text")->group("Output");
    app.add_flag("--quiet", o.quiet, "No activity log lines, only the summary")->group("Output");
    app.add_flag("--verbose", o.verbose,
                 "The diagnostic log gets a line for every answer sent, not only for answers "
                 "that were delayed or not sent")
        ->group("Output");
    app.add_option("--records-memory", o.recordsMemoryMiB,
                   "The most memory the message records may hold, in MiB (default 256); the "
                   "oldest make room, as they do past 100,000 records")
        ->type_name("MIB")
        ->check(wholeNumberIn(1, 65'536))
        ->group("Output");
    app.add_option("--export", o.exportPath,
                   "Write the message records to FILE (.csv or .jsonl) at the end and on SIGUSR1")
        ->type_name("FILE")
        ->check(CLI::Validator(
            [](const std::string& path) {
                return endsWith(path, ".csv") || endsWith(path, ".jsonl")
                           ? std::string()
                           : "the file name ends in .csv or .jsonl";
            },
            ""))
        ->group("Output");
}

Unexpected<Failure> refuse(std::string why) {
    return fail("read", "command line", std::move(why));
}

// Checks that need several options at once.
Result<void> checkTogether(const Declared& d, const StationOptions& o) {
    if (d.serverOption->count() == 0 && d.clientOption->count() == 0) {
        return refuse("give --server PORT or --client HOST:PORT");
    }
    if (o.client && o.protocol == Protocol::SiaDcs) {
        return refuse("--client is for Sur-Gard only: SIA-DCS runs as a server (--server PORT)");
    }
    if (usesCustomAnswer(o.responseMode) && d.customOption->count() == 0) {
        return refuse("--policy " + d.policy + " needs --custom");
    }
    if (d.customOption->count() > 0 && o.protocol == Protocol::SurGard && !isCustomByte(o.custom)) {
        return refuse("--custom: under Sur-Gard the custom answer is a byte value from 0 to 255");
    }
    return {};
}

// The scripts and the DC-09 settings, read and checked before anything starts.
Result<void> readCapabilities(const Declared& d, StationOptions& o) {
    const bool siaDcs = o.protocol == Protocol::SiaDcs;
    for (const auto& [name, text] :
         {std::pair{"--script", &o.script}, std::pair{"--heartbeat-script", &o.heartbeatScript}}) {
        if (!text->empty()) {
            if (const auto parsed = answer::parseScript(*text, siaDcs); !parsed) {
                return refuse(std::string(name) + ": " + parsed.error().why);
            }
        }
    }
    if (d.scriptOption->count() > 0 && o.script.empty()) {
        return refuse("--script: the script is empty");
    }
    for (const CLI::Option* option : d.dc09Options) {
        if (option->count() > 0) {
            o.dc09Given = true;
            if (!siaDcs) {
                return refuse(option->get_name() +
                              " is a SIA-DCS setting: Sur-Gard lines are never encrypted");
            }
        }
    }
    if (!d.keys.empty()) {
        Result<dc09::KeyTable> keys = dc09::readKeyFile(d.keys);
        if (!keys) {
            // Errors of a line name the line; the others name the file already.
            const std::string& why = keys.error().why;
            return refuse(why.rfind("line ", 0) == 0 ? "--keys " + d.keys + ", " + why
                                                     : "--keys: " + why);
        }
        if (keys->empty()) {
            return refuse("--keys " + d.keys + ": the file holds no key");
        }
        o.dc09.keys = std::move(*keys);
    }
    if (!d.timeWindow.empty()) {
        const auto comma = d.timeWindow.find(',');
        o.dc09.timeWindowOn = true;
        parseWhole(std::string_view(d.timeWindow).substr(0, comma), o.dc09.timeWindow.pastSeconds);
        parseWhole(std::string_view(d.timeWindow).substr(comma + 1),
                   o.dc09.timeWindow.futureSeconds);
    }
    if (!d.undecryptable.empty()) {
        o.dc09.undecryptable = *undecryptableAnswerNamed(d.undecryptable);
    }
    return {};
}

// The records are written to a temporary file beside FILE, then renamed over it: the folder must
// take a new file, and FILE must not be a folder. Tried now, so that a rig learns it before the
// run.
Result<void> checkExportPath(const std::string& path) {
    std::error_code ignored;
    if (std::filesystem::is_directory(path, ignored)) {
        return refuse("--export " + quotedInput(path) + ": is a folder");
    }
    std::string probe = path + ".XXXXXX";
    const int fd = ::mkstemp(probe.data());
    if (fd < 0) {
        return refuse("--export " + quotedInput(path) +
                      ": cannot write there: " + std::strerror(errno));
    }
    ::close(fd);
    ::unlink(probe.c_str());
    return {};
}

ParsedCommandLine usageError(const std::string& why, const std::vector<std::string>& args) {
    ParsedCommandLine result;
    result.exitCode = kUsageExit;
    result.err = std::string(kProgram) + ": " + oneLine(why, args) + "\n" + kUsageLine + "\n";
    return result;
}

// The metrics and control service: "[ADDR:]PORT", loopback unless an address is given.
void addRemoteOptions(CLI::App& app, Declared& d, StationOptions& o) {
    const CLI::Validator endpoint(
        [](const std::string& text) {
            const auto parsed = remote::parseEndpoint(text);
            return parsed ? std::string() : parsed.error().why;
        },
        "");
    app.add_option("--metrics", d.metrics,
                   "Serve Prometheus metrics at /metrics on [ADDR:]PORT (127.0.0.1 unless ADDR)")
        ->type_name("[ADDR:]PORT")
        ->check(endpoint)
        ->group("Remote");
    app.add_option("--control", d.control,
                   "Serve the control API under /v1 on [ADDR:]PORT (127.0.0.1 unless ADDR); may "
                   "be the --metrics port")
        ->type_name("[ADDR:]PORT")
        ->check(endpoint)
        ->group("Remote");
    app.add_option("--control-token-file", o.remote.tokenFile,
                   "Every request needs \"Authorization: Bearer TOKEN\" with the token in FILE; "
                   "required when --control is not on loopback")
        ->type_name("FILE")
        ->group("Remote");
}

// The service's endpoints; the token file read now, so a rig learns of a bad one before the run.
Result<void> readRemote(const Declared& d, StationOptions& o) {
    if (!d.metrics.empty()) {
        o.remote.metrics = *remote::parseEndpoint(d.metrics);
    }
    if (!d.control.empty()) {
        o.remote.control = *remote::parseEndpoint(d.control);
    }
    if (const std::string why = remote::refusalOf(o.remote); !why.empty()) {
        return refuse(why);
    }
    if (!o.remote.tokenFile.empty()) {
        if (!o.remote.control) {
            return refuse("--control-token-file is for --control");
        }
        if (const auto token = remote::readTokenFile(o.remote.tokenFile); !token) {
            return refuse("--control-token-file: " + token.error().text());
        }
    }
    return {};
}

}  // namespace

std::optional<std::vector<Expectation>> parseExpectations(const std::string& text) {
    std::vector<Expectation> expectations;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t comma = std::min(text.find(',', start), text.size());
        const std::string_view item = std::string_view(text).substr(start, comma - start);
        const std::size_t equals = item.find('=');
        std::int64_t count = 0;
        if (equals == std::string_view::npos || !parseWhole(item.substr(equals + 1), count) ||
            count < 0) {
            return std::nullopt;
        }
        // Kinds are named in lower case; any case is taken.
        std::string name(item.substr(0, equals));
        std::transform(name.begin(), name.end(), name.begin(), [](char c) {
            return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
        });
        const auto kind = kindNamed(name);
        if (!kind || std::any_of(expectations.begin(), expectations.end(),
                                 [&](const Expectation& e) { return e.kind == *kind; })) {
            return std::nullopt;
        }
        expectations.push_back({*kind, count});
        start = comma + 1;
    }
    return expectations;
}

ParsedCommandLine parseCommandLine(const std::vector<std::string>& args) {
    CLI::App app(
        "Runs a Corvane station without a window: answers, decodes and counts an alarm "
        "receiver's automation messages, prints the activity log and a summary.",
        kProgram);
    app.get_formatter()->column_width(36);
    StationOptions o;
    Declared d;
    addLinkOptions(app, d, o);
    addAnswerOptions(app, d, o);
    addDc09Options(app, d, o);
    addRunOptions(app, d, o);
    addOutputOptions(app, o);
    addRemoteOptions(app, d, o);
    addVersionFlag(app, kProgram)->group("Output");
    // Every option but --config itself may come from the file, NAME = VALUE a line. The value is
    // the rest of the line, blanks and commas included (no lists: no option takes several), in
    // quotes or not; "#" starts a comment only at a line's start. An unknown name is an error.
    app.set_config("--config", "", "Read the options from FILE (NAME = VALUE lines)")
        ->type_name("FILE")
        ->group("Run");
    app.get_config_formatter_base()->comment('\0')->arrayDelimiter('\0');
    app.allow_config_extras(CLI::config_extras_mode::error);
    app.footer(
        "Exit status: 0 done and every --expect met, 1 an expectation missed, 2 a usage error, "
        "3 the link (or the metrics or control port) could not start, 4 the final --export could "
        "not be written.");

    // CLI11 takes the arguments last first.
    std::vector<std::string> reversed(args.rbegin(), args.rend());
    try {
        app.parse(reversed);
    } catch (const CLI::CallForHelp&) {
        ParsedCommandLine result;
        result.out = app.help();
        return result;
    } catch (const CLI::CallForVersion& version) {
        ParsedCommandLine result;
        result.out = std::string(version.what()) + "\n";
        return result;
    } catch (const CLI::ParseError& error) {
        return usageError(usageErrorLine(error, args), args);
    }

    o.protocol = d.protocol == "sur-gard" ? Protocol::SurGard : Protocol::SiaDcs;
    o.receiverType = receiverTypeNamed(d.receiverType);
    o.client = d.clientOption->count() > 0;
    if (o.client) {
        splitClientEndpoint(d.client, o.host, o.port);
    } else {
        o.port = d.server;
    }
    o.responseMode = responsePolicyNamed(d.policy);
    if (!d.expect.empty()) {
        o.expectations = *parseExpectations(d.expect);
    }
    if (const Result<void> together = checkTogether(d, o); !together) {
        return usageError(together.error().why, args);
    }
    if (const Result<void> read = readCapabilities(d, o); !read) {
        return usageError(read.error().why, args);
    }
    if (const Result<void> remote = readRemote(d, o); !remote) {
        return usageError(remote.error().why, args);
    }
    if (!o.exportPath.empty()) {
        if (const Result<void> writable = checkExportPath(o.exportPath); !writable) {
            return usageError(writable.error().why, args);
        }
    }
    ParsedCommandLine result;
    result.options = std::move(o);
    return result;
}

}  // namespace corvane::cli
