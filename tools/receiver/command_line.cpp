#include "receiver/command_line.h"

#include <charconv>
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

bool takesValue(const std::string& arg) {
    static const char* const kValued[] = {
        "--listen",  "--connect",  "--protocol",       "--receiver-type",
        "--kinds",   "--count",    "--rate",           "--connections",
        "--glue",    "--expect",   "--answer-timeout", "--connect-timeout",
        "--retries", "--ack-wait", "--reconnect",      "--key",
        "--suite",   "--replay"};
    for (const char* name : kValued) {
        if (arg == name) {
            return true;
        }
    }
    return false;
}

}  // namespace

CommandLine parseCommandLine(const std::vector<std::string>& args) {
    CommandLine line;
    RunOptions& o = line.options;
    bool haveEndpoint = false;
    bool kindsGiven = false;
    auto fail = [&line](std::string why) {
        line.error = std::move(why);
        return line;
    };
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool hasValue = i + 1 < args.size();
        auto value = [&]() -> const std::string& { return args[++i]; };
        if (arg == "--help" || arg == "-h") {
            line.help = true;
        } else if (arg == "--quiet") {
            line.quiet = true;
        } else if (arg == "--pipeline") {
            o.pipeline = true;
        } else if (arg == "--recorded-timing") {
            o.recordedTiming = true;
        } else if (arg == "--replay" && hasValue) {
            line.replayFile = value();
        } else if (!takesValue(arg)) {
            return fail("unknown option " + arg);
        } else if (!hasValue) {
            return fail(arg + " needs a value");
        } else if (arg == "--listen" || arg == "--connect") {
            if (haveEndpoint) {
                return fail("give one of --listen and --connect");
            }
            haveEndpoint = true;
            o.listen = arg == "--listen";
            if (!parseEndpoint(value(), o.host, o.port, o.listen)) {
                return fail("bad " + arg + " value (expected [HOST:]PORT)");
            }
        } else if (arg == "--protocol") {
            const std::string& p = value();
            if (p == "sur-gard") {
                o.protocol = Protocol::SurGard;
            } else if (p == "sia-dcs") {
                o.protocol = Protocol::SiaDcs;
            } else {
                return fail("--protocol is sur-gard or sia-dcs");
            }
        } else if (arg == "--receiver-type") {
            const std::string& t = value();
            if (t == "MLR2000") {
                o.receiverType = ReceiverType::Mlr2000;
            } else if (t == "MLR2") {
                o.receiverType = ReceiverType::Mlr2;
            } else {
                return fail("--receiver-type is MLR2000 or MLR2");
            }
        } else if (arg == "--kinds") {
            auto kinds = parseKinds(value());
            if (!kinds) {
                return fail(
                    "--kinds takes a list of heartbeat,cid,cid10,sia,private,dc09,null,adm-cid");
            }
            o.kinds = std::move(*kinds);
            kindsGiven = true;
        } else if (arg == "--count") {
            if (!parseNumber<std::uint64_t>(value(), o.count, 1,
                                            std::numeric_limits<std::uint64_t>::max())) {
                return fail("--count needs a number of at least 1");
            }
        } else if (arg == "--rate") {
            std::uint64_t rate = 0;
            if (!parseNumber<std::uint64_t>(value(), rate, 0, 10'000'000)) {
                return fail("--rate needs messages per second (0 = as fast as possible)");
            }
            o.rate = static_cast<double>(rate);
        } else if (arg == "--connections") {
            if (!parseNumber(value(), o.connections, 1, 1024)) {
                return fail("--connections needs a number from 1 to 1024");
            }
        } else if (arg == "--glue") {
            if (!parseNumber(value(), o.glue, 1, 10000)) {
                return fail("--glue needs a number from 1 to 10000");
            }
        } else if (arg == "--expect") {
            line.expectGiven = true;
            if (!parseExpectation(value(), o.expectation)) {
                return fail("--expect is ack, nack, any or a byte value (1..255, or 0xNN)");
            }
        } else if (arg == "--answer-timeout") {
            if (!parseNumber(value(), o.answerTimeoutMs, 1, 3'600'000)) {
                return fail("--answer-timeout needs milliseconds");
            }
        } else if (arg == "--key") {
            if (!addSimKey(value(), o.keys)) {
                return fail(
                    "--key takes KEY or ACCOUNT=KEY, KEY being 32/48/64 hex digits or "
                    "16/24/32 characters (text: forces text)");
            }
        } else if (arg == "--suite") {
            if (value() != "dc09") {
                return fail("--suite takes dc09");
            }
            o.suiteDc09 = true;
        } else if (arg == "--retries" || arg == "--ack-wait" || arg == "--reconnect") {
            o.retrying = true;
            int& field = arg == "--retries"    ? o.retries
                         : arg == "--ack-wait" ? o.ackWaitMs
                                               : o.reconnectMs;
            if (!parseNumber(value(), field, arg == "--ack-wait" ? 1 : 0, 3'600'000)) {
                return fail(arg + (arg == "--retries" ? " needs a count" : " needs milliseconds"));
            }
        } else if (arg == "--connect-timeout") {
            if (!parseNumber(value(), o.connectTimeoutMs, 1, 3'600'000)) {
                return fail("--connect-timeout needs milliseconds");
            }
        }
    }
    if (line.help) {
        return line;
    }
    if (!haveEndpoint) {
        return fail("give --listen PORT or --connect [HOST:]PORT");
    }
    if (o.protocol == Protocol::SiaDcs && o.listen) {
        return fail("SIA-DCS receivers connect to the station: use --connect");
    }
    if (o.protocol == Protocol::SiaDcs && o.expectation.expect == Expect::Byte) {
        return fail("--expect with a byte value is for sur-gard only");
    }
    if ((!o.keys.empty() || o.suiteDc09) && o.protocol != Protocol::SiaDcs) {
        return fail("--key and --suite dc09 need --protocol sia-dcs");
    }
    if (!kindsGiven) {
        o.kinds = defaultKinds(o.protocol);
    }
    for (Kind kind : o.kinds) {
        if (protocolOf(kind) != o.protocol) {
            return fail("kind " + std::string(kindName(kind)) +
                        " does not belong to this protocol");
        }
    }
    return line;
}

std::string usageText() {
    return R"(Usage: corvane-receiver (--listen [HOST:]PORT | --connect [HOST:]PORT) [options]

Plays an alarm receiver towards Corvane: sends automation messages, checks every answer and
reports counts, rate and answer latency.

  --listen [HOST:]PORT     wait for Corvane in Client mode to connect (Sur-Gard only; port 0
                           picks a free port and prints it)
  --connect [HOST:]PORT    connect to Corvane in Server mode
                           (HOST defaults to 127.0.0.1)
  --protocol P             sur-gard (default) or sia-dcs
  --receiver-type T        MLR2000 (default) or MLR2: the Sur-Gard line layouts
  --kinds LIST             kinds sent in turn: heartbeat,cid,cid10,sia,private (Sur-Gard),
                           dc09,null,adm-cid (SIA-DCS); default: all of the
                           protocol but adm-cid
  --count N                messages on each connection (default 100)
  --replay FILE            send the messages of a Corvane records export (CSV or JSON Lines)
                           again, in order, on as many connections as were recorded; the
                           protocol follows the recording and any answer counts as good unless
                           --expect is given
  --recorded-timing        with --replay: keep the recorded gaps (default: as fast as answers come)
  --rate N                 messages per second on each connection (default 0: as fast as
                           possible)
  --pipeline               send without waiting for answers; answers are matched in order
  --connections N          N receivers at once, each with its own connection (default 1)
  --glue K                 send K messages in each write (default 1)
  --expect E               ack (default), nack, any, or a custom byte value (Sur-Gard)
  --answer-timeout MS      an answer later than this counts as missing (default 5000)
  --connect-timeout MS     time to connect, or to wait for Corvane to connect (default 30000)
  --key [ACCOUNT=]KEY      SIA-DCS: send the frames of ACCOUNT (of every account without
                           a key of its own) encrypted with KEY (32/48/64 hex digits or
                           16/24/32 characters; text: forces text) and check each encrypted
                           ACK (pad, content, time stamp within 2 s); repeatable
  --suite dc09             SIA-DCS: send the fixed set of awkward but legal frames, each
                           whole and split at every byte, and print a verdict for each
  --retries N              behave like a field receiver: resend a message that got no ACK
                           (a NACK, another answer, or none in time) up to N times (default 3),
                           then give it up; one message at a time; report each message
  --ack-wait MS            how long each attempt waits for its answer (default 4000)
  --reconnect MS           connect again MS after the station closed the connection
  --quiet                  print only the summary line
  --help                   this text

Exit status: 0 when every message got a good answer (with --retries, --ack-wait or
--reconnect: every message was acknowledged), 1 otherwise, 2 on bad usage.
)";
}

}  // namespace corvane::sim
