#include "receiver/command_line.h"

#include <CLI/CLI.hpp>
#include <charconv>
#include <functional>
#include <limits>

namespace corvane::sim {

namespace {

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

bool parseExpectation(const std::string& text, Expectation& expectation) {
    if (text == "ack") {
        expectation = {Expect::Ack, 0};
    } else if (text == "nack") {
        expectation = {Expect::Nack, 0};
    } else if (text == "any") {
        expectation = {Expect::Any, 0};
    } else {
        int byte = 0;
        const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
        const std::string digits = hex ? text.substr(2) : text;
        const auto [end, ec] =
            std::from_chars(digits.data(), digits.data() + digits.size(), byte, hex ? 16 : 10);
        if (digits.empty() || ec != std::errc() || end != digits.data() + digits.size() ||
            byte < 1 || byte > 255) {
            return false;
        }
        expectation = {Expect::Byte, static_cast<std::uint8_t>(byte)};
    }
    return true;
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
};

// An option that takes one value and reads it with `read`, which returns false on a bad value;
// the error then names the option and says `why`. Given twice, the last value counts.
CLI::Option* addValued(CLI::App& app, const std::string& name, const std::string& typeName,
                       const std::string& help, const std::string& why,
                       std::function<bool(const std::string&)> read) {
    return app
        .add_option_function<std::string>(
            name,
            [name, why, read = std::move(read)](const std::string& value) {
                if (!read(value)) {
                    throw CLI::ValidationError(name, why);
                }
            },
            wrapped(help))
        ->type_name(typeName)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
}

template <typename Number>
std::function<bool(const std::string&)> numberInto(Number& field, Number min, Number max) {
    return
        [&field, min, max](const std::string& text) { return parseNumber(text, field, min, max); };
}

void addConnectionOptions(CLI::App& app, Declared& d, CommandLine& line) {
    RunOptions& o = line.options;
    const char* group = "Connection";
    // Port 0 is for listening only; the check that needs to know which comes after the parse.
    d.listen = addValued(app, "--listen", "[HOST:]PORT",
                         "Wait for Corvane in Client mode to connect (Sur-Gard only); port 0 "
                         "picks a free port and prints it",
                         "bad value (expected [HOST:]PORT)",
                         [&o](const std::string& v) {
                             o.listen = true;
                             return parseEndpoint(v, o.host, o.port, true);
                         })
                   ->group(group);
    d.connect = addValued(app, "--connect", "[HOST:]PORT",
                          "Connect to Corvane in Server mode (HOST defaults to 127.0.0.1)",
                          "bad value (expected [HOST:]PORT)",
                          [&o](const std::string& v) {
                              o.listen = false;
                              return parseEndpoint(v, o.host, o.port, false);
                          })
                    ->group(group);
    addValued(app, "--protocol", "P", "sur-gard (default) or sia-dcs",
              "--protocol is sur-gard or sia-dcs",
              [&o](const std::string& v) {
                  o.protocol = v == "sia-dcs" ? Protocol::SiaDcs : Protocol::SurGard;
                  return v == "sur-gard" || v == "sia-dcs";
              })
        ->group(group);
    addValued(app, "--receiver-type", "T", "MLR2000 (default) or MLR2: the Sur-Gard line layouts",
              "--receiver-type is MLR2000 or MLR2",
              [&o](const std::string& v) {
                  o.receiverType = v == "MLR2" ? ReceiverType::Mlr2 : ReceiverType::Mlr2000;
                  return v == "MLR2000" || v == "MLR2";
              })
        ->group(group);
    addValued(app, "--connections", "N",
              "N receivers at once, each with its own connection (default 1)",
              "needs a number from 1 to 1024", numberInto(o.connections, 1, 1024))
        ->group(group);
    addValued(app, "--connect-timeout", "MS",
              "Time to connect, or to wait for Corvane to connect (default 30000)",
              "needs milliseconds", numberInto(o.connectTimeoutMs, 1, 3'600'000))
        ->group(group);
}

void addMessageOptions(CLI::App& app, Declared& d, CommandLine& line) {
    RunOptions& o = line.options;
    const char* group = "Messages";
    d.kinds = addValued(app, "--kinds", "LIST",
                        "Kinds sent in turn: heartbeat,cid,cid10,sia,private (Sur-Gard), "
                        "dc09,null,adm-cid (SIA-DCS); default: all of the protocol but adm-cid",
                        "takes a list of heartbeat,cid,cid10,sia,private,dc09,null,adm-cid",
                        [&o](const std::string& v) {
                            auto kinds = parseKinds(v);
                            if (kinds) {
                                o.kinds = std::move(*kinds);
                            }
                            return kinds.has_value();
                        })
                  ->group(group);
    addValued(app, "--count", "N", "Messages on each connection (default 100)",
              "needs a number of at least 1",
              numberInto<std::uint64_t>(o.count, 1, std::numeric_limits<std::uint64_t>::max()))
        ->group(group);
    addValued(app, "--rate", "N",
              "Messages per second on each connection (default 0: as fast as possible)",
              "needs messages per second (0 = as fast as possible)",
              [&o](const std::string& v) {
                  std::uint64_t rate = 0;
                  const bool ok = parseNumber<std::uint64_t>(v, rate, 0, 10'000'000);
                  o.rate = static_cast<double>(rate);
                  return ok;
              })
        ->group(group);
    app.add_flag("--pipeline", o.pipeline,
                 wrapped("Send without waiting for answers; answers are matched in order"))
        ->group(group);
    addValued(app, "--glue", "K", "Send K messages in each write (default 1)",
              "needs a number from 1 to 10000", numberInto(o.glue, 1, 10000))
        ->group(group);
}

void addAnswerOptions(CLI::App& app, CommandLine& line) {
    RunOptions& o = line.options;
    const char* group = "Answers";
    addValued(app, "--expect", "E",
              "ack (default), nack, any, or a custom byte value 1..255 or 0xNN (Sur-Gard)",
              "is ack, nack, any or a byte value (1..255, or 0xNN)",
              [&line](const std::string& v) {
                  line.expectGiven = true;
                  return parseExpectation(v, line.options.expectation);
              })
        ->group(group);
    addValued(app, "--answer-timeout", "MS",
              "An answer later than this counts as missing (default 5000)", "needs milliseconds",
              numberInto(o.answerTimeoutMs, 1, 3'600'000))
        ->group(group);
}

void addDc09Options(CLI::App& app, CommandLine& line) {
    RunOptions& o = line.options;
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
    addValued(app, "--suite", "dc09",
              "Send the fixed set of awkward but legal frames, each whole and split at every "
              "byte, and print a verdict for each",
              "takes dc09",
              [&o](const std::string& v) {
                  o.suiteDc09 = true;
                  return v == "dc09";
              })
        ->group(group);
}

void addFieldReceiverOptions(CLI::App& app, CommandLine& line) {
    RunOptions& o = line.options;
    const char* group = "Field receiver (any of these turns it on)";
    auto retrying = [&o](int& field, int min) {
        return [&o, &field, min](const std::string& v) {
            o.retrying = true;
            return parseNumber(v, field, min, 3'600'000);
        };
    };
    addValued(app, "--retries", "N",
              "Resend a message that got no ACK (a NACK, another answer, or none in time) up to "
              "N times (default 3), then give it up; one message at a time; report each message",
              "needs a count", retrying(o.retries, 0))
        ->group(group);
    addValued(app, "--ack-wait", "MS", "How long each attempt waits for its answer (default 4000)",
              "needs milliseconds", retrying(o.ackWaitMs, 1))
        ->group(group);
    addValued(app, "--reconnect", "MS", "Connect again MS after the station closed the connection",
              "needs milliseconds", retrying(o.reconnectMs, 0))
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
    "On a terminal, a progress line on standard error shows the messages sent, the rate and\n"
    "the answers outstanding.\n\n"
    "Exit status: 0 when every message got a good answer (with --retries, --ack-wait or\n"
    "--reconnect: every message was acknowledged), 1 otherwise, 2 on bad usage.";

void declare(CLI::App& app, Declared& d, CommandLine& line) {
    auto formatter = std::make_shared<Formatter>();
    formatter->column_width(kNameColumn);
    app.formatter(formatter);
    app.footer(kFooter);
    addConnectionOptions(app, d, line);
    addMessageOptions(app, d, line);
    addAnswerOptions(app, line);
    addDc09Options(app, line);
    addFieldReceiverOptions(app, line);
    addReplayAndOutputOptions(app, line);
    // Declared last so that it comes last, next to --quiet.
    app.set_help_flag("-h,--help", "This text")->group("Output");
}

CLI::App makeApp() {
    return CLI::App(
        "Plays an alarm receiver towards Corvane: sends automation messages, checks every answer "
        "and reports counts, rate and answer latency.",
        "corvane-receiver");
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
    if (o.protocol == Protocol::SiaDcs && o.listen) {
        return "SIA-DCS receivers connect to the station: use --connect";
    }
    if (o.protocol == Protocol::SiaDcs && o.expectation.expect == Expect::Byte) {
        return "--expect with a byte value is for sur-gard only";
    }
    if ((!o.keys.empty() || o.suiteDc09) && o.protocol != Protocol::SiaDcs) {
        return "--key and --suite dc09 need --protocol sia-dcs";
    }
    for (Kind kind : o.kinds) {
        if (protocolOf(kind) != o.protocol) {
            return "kind " + std::string(kindName(kind)) + " does not belong to this protocol";
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
    } catch (const CLI::ParseError& error) {
        line.error = error.what();
        return line;
    }
    if (d.kinds->count() == 0) {
        line.options.kinds = defaultKinds(line.options.protocol);
    }
    line.error = checkTogether(d, line.options);
    return line;
}

std::string usageText() {
    CommandLine line;
    Declared d;
    CLI::App app = makeApp();
    declare(app, d, line);
    return app.help();
}

}  // namespace corvane::sim
