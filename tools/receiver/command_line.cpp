#include "receiver/command_line.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <charconv>
#include <functional>
#include <limits>

#include "station_cli/cli_conventions.h"

namespace corvane::sim {

namespace {

constexpr const char* kProgram = "corvane-receiver";

template <typename Number>
bool parseNumber(const std::string& text, Number& value, Number min, Number max) {
    Number parsed{};
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), parsed);
    if (ec != std::errc() || end != text.data() + text.size() || parsed < min || parsed > max) {
        return false;
    }
    value = parsed;
    return true;
}

// "[HOST:]PORT" into host and port; the host stays as given when the text has none.
bool parseEndpoint(const std::string& text, std::string& host, std::uint16_t& port,
                   bool portZeroAllowed) {
    const auto colon = text.rfind(':');
    const std::string portText = colon == std::string::npos ? text : text.substr(colon + 1);
    if (colon != std::string::npos) {
        if (colon == 0) {
            return false;
        }
        host = text.substr(0, colon);
    }
    return parseNumber<std::uint16_t>(portText, port, portZeroAllowed ? 0 : 1, 65535);
}

// "ack", "nack", "any" (any case) or a byte value 1..255, decimal or 0xNN.
bool parseExpectation(const std::string& text, Expectation& expectation) {
    const auto word = cli::matchName(text, {"ack", "nack", "any"});
    if (word) {
        expectation = {*word == "ack"    ? Expect::Ack
                       : *word == "nack" ? Expect::Nack
                                         : Expect::Any,
                       0};
        return true;
    }
    int byte = 0;
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    const std::string digits = hex ? text.substr(2) : text;
    const auto [end, ec] =
        std::from_chars(digits.data(), digits.data() + digits.size(), byte, hex ? 16 : 10);
    if (digits.empty() || ec != std::errc() || end != digits.data() + digits.size() || byte < 1 ||
        byte > 255) {
        return false;
    }
    expectation = {Expect::Byte, static_cast<std::uint8_t>(byte)};
    return true;
}

// 1 to 16 hexadecimal digits, in either case, kept as written.
bool hexAccount(const std::string& text) {
    return !text.empty() && text.size() <= 16 &&
           text.find_first_not_of("0123456789ABCDEFabcdef") == std::string::npos;
}

constexpr std::size_t kNameColumn = 30;
constexpr std::size_t kHelpWidth = 68;

// CLI11 does not wrap option texts; it indents what follows a newline under the text.
std::string wrapped(const std::string& text) {
    std::string out;
    std::size_t lineStart = 0;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find(' ', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        if (out.size() > lineStart && out.size() - lineStart + 1 + (end - start) > kHelpWidth) {
            out += '\n';
            lineStart = out.size();
        } else if (out.size() > lineStart) {
            out += ' ';
        }
        out.append(text, start, end - start);
        start = end + 1;
    }
    return out;
}

// The usage line names the two ways to reach the station.
class Formatter : public CLI::Formatter {
  public:
    std::string make_usage(const CLI::App*, std::string) const override {
        return "\nUsage: corvane-receiver (--listen [HOST:]PORT | --connect [HOST:]PORT) "
               "[OPTIONS]\n";
    }
};

// The options that other checks look at after the parse.
struct Declared {
    CLI::Option* listen = nullptr;
    CLI::Option* connect = nullptr;
    CLI::Option* kinds = nullptr;
    CLI::Option* pad = nullptr;
    CLI::Option* qualifier = nullptr;
    CLI::Option* clock = nullptr;
};

// Reads an option's value; returns why it is wrong, or empty.
using Reader = std::function<std::string(const std::string&)>;

// An option that takes one value and reads it with `read`; the error names the option and says
// why. Given twice, the last value counts.
CLI::Option* addValued(CLI::App& app, const std::string& name, const std::string& typeName,
                       const std::string& help, Reader read) {
    return app
        .add_option_function<std::string>(
            name,
            [name, read = std::move(read)](const std::string& value) {
                if (const std::string why = read(value); !why.empty()) {
                    throw CLI::ValidationError(name, why);
                }
            },
            wrapped(help))
        ->type_name(typeName)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
}

template <typename Number>
Reader numberInto(Number& field, Number min, Number max) {
    return [&field, min, max](const std::string& text) {
        std::int64_t number = 0;
        std::string why = cli::readWholeNumber(text, static_cast<std::int64_t>(min),
                                               static_cast<std::int64_t>(max), number);
        field = why.empty() ? static_cast<Number>(number) : field;
        return why;
    };
}

// A duration in milliseconds ("500", "2s", "5m"), from minMs to maxMs.
Reader durationInto(int& fieldMs, int minMs, int maxMs, bool* touched = nullptr) {
    return [&fieldMs, minMs, maxMs, touched](const std::string& text) {
        std::int64_t ms = 0;
        std::string why = cli::readDuration(text, cli::TimeUnit::Milliseconds, minMs, maxMs, ms);
        if (why.empty()) {
            fieldMs = static_cast<int>(ms);
            if (touched != nullptr) {
                *touched = true;
            }
        }
        return why;
    };
}

// One of `names` in any case; `use` gets its index in the list.
Reader nameInto(std::vector<std::string> names, std::function<void(std::size_t)> use) {
    return [names = std::move(names), use = std::move(use)](const std::string& text) {
        const auto name = cli::matchName(text, names);
        if (!name) {
            return "expected " + cli::alternatives(names) + ", got " + cli::quotedInput(text);
        }
        use(static_cast<std::size_t>(std::find(names.begin(), names.end(), *name) - names.begin()));
        return std::string();
    };
}

constexpr int kHourMs = 3'600'000;

void addConnectionOptions(CLI::App& app, Declared& d, CommandLine& line) {
    RunOptions& o = line.options;
    const char* group = "Connection";
    const auto endpoint = [&o](bool listen) {
        return [&o, listen](const std::string& v) {
            o.listen = listen;
            return parseEndpoint(v, o.host, o.port, listen)
                       ? std::string()
                       : "expected [HOST:]PORT, got " + cli::quotedInput(v);
        };
    };
    // Port 0 is for listening only; the check that needs to know which comes after the parse.
    d.listen = addValued(app, "--listen", "[HOST:]PORT",
                         "Wait for Corvane in Client mode to connect (Sur-Gard only); port 0 "
                         "picks a free port and prints it",
                         endpoint(true))
                   ->group(group);
    d.connect =
        addValued(app, "--connect", "[HOST:]PORT",
                  "Connect to Corvane in Server mode (HOST defaults to 127.0.0.1)", endpoint(false))
            ->group(group);
    addValued(app, "--protocol", "P", "sur-gard (default) or sia-dcs",
              nameInto({"sur-gard", "sia-dcs"},
                       [&o](std::size_t i) {
                           o.protocol = i == 0 ? Protocol::SurGard : Protocol::SiaDcs;
                       }))
        ->group(group);
    addValued(app, "--receiver-type", "T", "MLR2000 (default) or MLR2: the Sur-Gard line layouts",
              nameInto({"MLR2000", "MLR2"},
                       [&o](std::size_t i) {
                           o.receiverType = i == 0 ? ReceiverType::Mlr2000 : ReceiverType::Mlr2;
                       }))
        ->group(group);
    addValued(app, "--connections", "N",
              "N receivers at once, each with its own connection (default 1)",
              numberInto(o.connections, 1, 1024))
        ->group(group);
    addValued(app, "--connect-timeout", "MS",
              "Time to connect, or to wait for Corvane to connect (default 30s)",
              durationInto(o.connectTimeoutMs, 1, kHourMs))
        ->group(group);
}

void addMessageOptions(CLI::App& app, Declared& d, CommandLine& line) {
    RunOptions& o = line.options;
    const char* group = "Messages";
    d.kinds =
        addValued(app, "--kinds", "LIST",
                  "Kinds sent in turn. Sur-Gard: " + allKindNames(Protocol::SurGard) +
                      " (default: the first five); SIA-DCS: " + allKindNames(Protocol::SiaDcs) +
                      " (default: dc09,null)",
                  [&o](const std::string& v) {
                      auto kinds = parseKinds(v);
                      if (kinds) {
                          o.kinds = std::move(*kinds);
                      }
                      return kinds
                                 ? std::string()
                                 : "expected kinds separated by commas, got " + cli::quotedInput(v);
                  })
            ->group(group);
    addValued(app, "--count", "N", "Messages on each connection (default 100)",
              numberInto<std::uint64_t>(o.count, 1, std::numeric_limits<std::int64_t>::max()))
        ->group(group);
    addValued(app, "--rate", "N",
              "Messages per second on each connection (default 0: as fast as possible); with "
              "--retries, new messages per second (resends follow their answers)",
              [&o](const std::string& v) {
                  std::int64_t rate = 0;
                  std::string why = cli::readWholeNumber(v, 0, 10'000'000, rate);
                  o.rate = static_cast<double>(rate);
                  return why;
              })
        ->group(group);
    app.add_flag("--pipeline", o.pipeline,
                 wrapped("Send without waiting for answers; answers are matched in order"))
        ->group(group);
    addValued(app, "--glue", "K", "Send K messages in each write (default 1)",
              numberInto(o.glue, 1, 10000))
        ->group(group);
    addValued(
        app, "--account", "ACCOUNT",
        "The account of every message: 1 to 16 hex digits (Contact ID accounts may hold B-F), "
        "padded to each line's width (default: 1000 + the connection number)",
        [&o](const std::string& v) {
            o.account = v;
            return hexAccount(v)
                       ? std::string()
                       : "expected 1 to 16 hexadecimal digits, got " + cli::quotedInput(v);
        })
        ->group(group);
    d.qualifier = addValued(app, "--qualifier", "Q",
                            "Contact ID qualifiers: letter (default: E, R, P as receivers write "
                            "them) or digit (1, 3, 6 as panels send them)",
                            nameInto({"letter", "digit"},
                                     [&o](std::size_t i) {
                                         o.qualifier =
                                             i == 0 ? Qualifier::Letter : Qualifier::Digit;
                                     }))
                      ->group(group);
    d.clock = app.add_flag("--clock", o.clock,
                           wrapped("Add the receivers' clock HH:MM:SS-dd/mm to the lines that may "
                                   "carry it (all but heartbeat, cid10, sia and private)"))
                  ->group(group);
}

void addAnswerOptions(CLI::App& app, CommandLine& line) {
    RunOptions& o = line.options;
    const char* group = "Answers";
    addValued(app, "--expect", "E",
              "ack (default), nack, any, or a custom byte value 1..255 or 0xNN (Sur-Gard)",
              [&line](const std::string& v) {
                  line.expectGiven = true;
                  return parseExpectation(v, line.options.expectation)
                             ? std::string()
                             : "expected ack, nack, any or a byte value (1..255, or 0xNN), got " +
                                   cli::quotedInput(v);
              })
        ->group(group);
    addValued(app, "--answer-timeout", "MS",
              "An answer later than this counts as missing (default 5s)",
              durationInto(o.answerTimeoutMs, 1, kHourMs))
        ->group(group);
}

void addSuiteAndDc09Options(CLI::App& app, Declared& d, CommandLine& line) {
    RunOptions& o = line.options;
    addValued(app, "--suite", "S",
              "surgard: send each Sur-Gard line type once; dc09: send the fixed set of awkward but "
              "legal frames, each whole and split at every byte; a verdict for each",
              nameInto({"dc09", "surgard"},
                       [&o](std::size_t i) { o.suite = i == 0 ? Suite::Dc09 : Suite::SurGard; }))
        ->group("Suites");
    const char* group = "DC-09 (SIA-DCS)";
    app.add_option_function<std::vector<std::string>>(
           "--key",
           [&o](const std::vector<std::string>& values) {
               for (const std::string& value : values) {
                   if (!addSimKey(value, o.keys)) {
                       throw CLI::ValidationError(
                           "--key",
                           "takes KEY or ACCOUNT=KEY, KEY being 32/48/64 hex digits or "
                           "16/24/32 characters (text: forces text)");
                   }
               }
           },
           wrapped("Send the frames of ACCOUNT (of every account without a key of its own) "
                   "encrypted with KEY (32/48/64 hex digits or 16/24/32 characters; text: forces "
                   "text) and check each encrypted ACK (pad, content, time stamp within 2 s); "
                   "repeatable"))
        ->type_name("[ACCOUNT=]KEY")
        ->allow_extra_args(false)
        ->group(group);
    d.pad =
        addValued(
            app, "--pad", "P",
            "The pad of encrypted frames: binary (default: random bytes 0..255 but | [ "
            "]), printable (random visible ASCII), nul (0x00 bytes) or zero (ASCII 0)",
            nameInto({"binary", "printable", "nul", "zero"},
                     [&o](std::size_t i) {
                         o.pad = std::array{Pad::Binary, Pad::Printable, Pad::Nul, Pad::Zero}[i];
                     }))
            ->group(group);
}

void addFieldReceiverOptions(CLI::App& app, CommandLine& line) {
    RunOptions& o = line.options;
    const char* group = "Field receiver (any of these turns it on)";
    addValued(app, "--retries", "N",
              "Resend a message that got no ACK (a NACK, another answer, or none in time) up to "
              "N times (default 3), then give it up; one message at a time; report each message",
              [&o](const std::string& v) {
                  o.retrying = true;
                  return numberInto(o.retries, 0, 1000)(v);
              })
        ->group(group);
    addValued(app, "--ack-wait", "MS", "How long each attempt waits for its answer (default 4s)",
              durationInto(o.ackWaitMs, 1, kHourMs, &o.retrying))
        ->group(group);
    addValued(app, "--reconnect", "MS", "Connect again MS after the station closed the connection",
              durationInto(o.reconnectMs, 0, kHourMs, &o.retrying))
        ->group(group);
}

void addReplayAndOutputOptions(CLI::App& app, CommandLine& line) {
    app.add_option("--replay", line.replayFile,
                   wrapped("Send the messages of a Corvane records export (CSV or JSON Lines) "
                           "again, in order, on as many connections as were recorded; the "
                           "protocol follows the recording and any answer counts as good unless "
                           "--expect is given"))
        ->type_name("FILE")
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast)
        ->group("Replay");
    app.add_flag("--recorded-timing", line.options.recordedTiming,
                 wrapped("With --replay: keep the recorded gaps (default: as fast as answers "
                         "come)"))
        ->group("Replay");
    app.add_flag("--quiet", line.quiet, "Print only the summary line, and no progress line")
        ->group("Output");
}

constexpr const char* kFooter =
    "MS options take milliseconds (500) or a duration with a unit (2s, 5m, 1h).\n"
    "On a terminal, a progress line on standard error shows the messages sent, the rate and\n"
    "the answers outstanding. SIGINT or SIGTERM stops the run and prints the report.\n\n"
    "Exit status: 0 when every message got a good answer (with --retries, --ack-wait or\n"
    "--reconnect: every message was acknowledged; with --suite: every verdict was OK), 1\n"
    "otherwise, 2 on bad usage, 130 after SIGINT and 143 after SIGTERM.";

void declare(CLI::App& app, Declared& d, CommandLine& line) {
    auto formatter = std::make_shared<Formatter>();
    formatter->column_width(kNameColumn);
    app.formatter(formatter);
    app.footer(kFooter);
    addConnectionOptions(app, d, line);
    addMessageOptions(app, d, line);
    addAnswerOptions(app, line);
    addSuiteAndDc09Options(app, d, line);
    addFieldReceiverOptions(app, line);
    addReplayAndOutputOptions(app, line);
    // Declared last so that they come last, next to --quiet.
    app.set_help_flag("-h,--help", "This text")->group("Output");
    cli::addVersionFlag(app, kProgram)->group("Output");
}

CLI::App makeApp() {
    return CLI::App(
        "Plays an alarm receiver towards Corvane: sends automation messages, checks every answer "
        "and reports counts, rate and answer latency.",
        kProgram);
}

// Checks that need several options at once; empty when the line is good.
std::string checkTogether(const Declared& d, const RunOptions& o) {
    const std::size_t endpoints = d.listen->count() + d.connect->count();
    if (endpoints == 0) {
        return "give --listen PORT or --connect [HOST:]PORT";
    }
    if (endpoints > 1) {
        return "give one of --listen and --connect";
    }
    const bool siaDcs = o.protocol == Protocol::SiaDcs;
    if (siaDcs && o.listen) {
        return "SIA-DCS receivers connect to the station: use --connect";
    }
    if (siaDcs && o.expectation.expect == Expect::Byte) {
        return "--expect with a byte value is for sur-gard only";
    }
    if ((!o.keys.empty() || o.suite == Suite::Dc09) && !siaDcs) {
        return "--key and --suite dc09 need --protocol sia-dcs";
    }
    if (o.suite == Suite::SurGard && siaDcs) {
        return "--suite surgard needs --protocol sur-gard";
    }
    if (d.pad->count() > 0 && o.keys.empty()) {
        return "--pad is the pad of encrypted frames: give --key as well";
    }
    if (siaDcs && (d.qualifier->count() > 0 || d.clock->count() > 0)) {
        return std::string(d.clock->count() > 0 ? "--clock" : "--qualifier") +
               " is for Sur-Gard lines";
    }
    for (Kind kind : o.kinds) {
        if (protocolOf(kind) != o.protocol) {
            return "--kinds: " + std::string(kindName(kind)) + " does not belong to this protocol";
        }
        if (accountWidth(kind) > 0 && o.account.size() > accountWidth(kind)) {
            return "--account " + o.account + " is longer than the " +
                   std::to_string(accountWidth(kind)) + " characters of " +
                   std::string(kindName(kind)) + " lines";
        }
    }
    return {};
}

}  // namespace

CommandLine parseCommandLine(const std::vector<std::string>& args) {
    CommandLine line;
    Declared d;
    CLI::App app = makeApp();
    declare(app, d, line);
    // CLI11 takes the arguments last first.
    std::vector<std::string> reversed(args.rbegin(), args.rend());
    try {
        app.parse(reversed);
    } catch (const CLI::CallForHelp&) {
        line.help = true;
        return line;
    } catch (const CLI::CallForVersion&) {
        line.version = true;
        return line;
    } catch (const CLI::ParseError& error) {
        line.error = cli::usageErrorLine(error, args);
        return line;
    }
    if (d.kinds->count() == 0) {
        line.options.kinds = defaultKinds(line.options.protocol);
    }
    line.error = cli::oneLine(checkTogether(d, line.options), args);
    return line;
}

std::string usageText() {
    CommandLine line;
    Declared d;
    CLI::App app = makeApp();
    declare(app, d, line);
    return app.help();
}

std::string versionText() {
    return cli::versionText(kProgram);
}

}  // namespace corvane::sim
