#include "receiver/surgard_suite.h"

#include <ctime>

#include "receiver/answer_check.h"
#include "receiver/message_generator.h"
#include "receiver/sim_socket.h"

namespace corvane::sim {

namespace {

// What follows the line header, field by field (see receiver/message_generator.h).
struct Body {
    const char* name;
    char id;
    const char* body;
    bool clock = false;
};

const Body kBodies[] = {
    {"basic signal: alarm, zone 3", '1', "      1234 A1003"},
    {"basic signal: restore, zone 3", '1', "      1234 R1003"},
    {"basic signal: opening of area 2 by user 15", '1', "      1234 O2015"},
    {"basic signal: closing of area 1 by user 128", '1', "      1234 C1128"},
    {"pulse 3/1 alarm: 3-digit account, no area", '1', "       482 A   3"},
    {"line card status: phone line fault", '1', "      0000 A  20"},
    {"two-way audio on line 1", '1', "      0000 P  01"},
    {"SIA protocol 1", '3', "    123456BA0001"},
    {"SIA protocol 2", 'S', "[#1234|Nri1/BA01]"},
    {"Contact ID, qualifier E", '5', " 181234E13001003"},
    {"Contact ID, qualifier R", '5', " 181234R13001003"},
    {"Contact ID, qualifier P", '5', " 181234P13001003"},
    {"Contact ID, digit qualifier 1", '5', " 181234113001003"},
    {"Contact ID, hex account C20B", '5', " 18C20BE40102128"},
    {"Contact ID, device heartbeat 602", '5', " 181234E60200000"},
    {"Contact ID, 10-character account", 'Q', " 580012345678E60200000"},
    {"caller ID", '4', "  12345145550123"},
    {"BFSK", '6', "      1234 B 003"},
    {"Ademco high speed", '8', "1234 1555 5555 5"},
    {"Contact ID with the receivers' clock", '5', " 181234E13001003", true},
    {"basic signal with the receivers' clock", '1', "      1234 A1003", true},
    {"SIA protocol 1 with the receivers' clock", '3', "    123456BA0001", true},
};

Fd reachStation(const RunOptions& options, const std::function<void(std::uint16_t)>& onListening,
                std::string& error) {
    if (!options.listen) {
        return connectTcp(options.host, options.port, options.connectTimeoutMs, error,
                          options.cancel);
    }
    Fd listener = listenTcp(options.host, options.port, error);
    if (!listener.valid()) {
        return {};
    }
    if (onListening) {
        onListening(localPort(listener.get()));
    }
    return acceptTcp(listener.get(), options.connectTimeoutMs, error, options.cancel);
}

// Sends one line and judges what comes back: one byte, the expected one, and no more.
std::string exchange(int fd, const std::string& line, const RunOptions& options) {
    if (sendAll(fd, line.data(), line.size(), options.answerTimeoutMs) < 0) {
        return "send failed";
    }
    char answer = 0;
    const long got = receiveSome(fd, &answer, 1, options.answerTimeoutMs, options.cancel);
    if (got < 0) {
        return "the station closed the connection";
    }
    if (got == 0) {
        return options.cancel != nullptr && options.cancel->load()
                   ? "stopped"
                   : "no answer within " + std::to_string(options.answerTimeoutMs) + " ms";
    }
    if (std::string why = checkSurGardAnswer(std::string(1, answer), options.expectation);
        !why.empty()) {
        return why;
    }
    char extra[64];
    const long more = receiveSome(fd, extra, sizeof extra, 0);
    return more > 0 ? "more than one answer byte: " +
                          printable(std::string_view(extra, static_cast<std::size_t>(more)))
                    : "";
}

}  // namespace

std::vector<SuiteLine> surGardSuiteLines(ReceiverType type) {
    std::vector<SuiteLine> lines = {
        {"heartbeat", heartbeatLine(type)},
        {"internal status: automatic test", surGardLine(type, '0', true, "[#0000|NRP0001]")}};
    const std::string clock = receiverClock(std::time(nullptr));
    for (const Body& b : kBodies) {
        lines.push_back(
            {b.name, surGardLine(type, b.id, false, std::string(b.body) + (b.clock ? clock : ""))});
    }
    return lines;
}

int runSurGardSuite(const RunOptions& options, std::ostream& out,
                    const std::function<void(std::uint16_t)>& onListening) {
    std::string error;
    const Fd fd = reachStation(options, onListening, error);
    if (!fd.valid()) {
        out << "surgard suite: " << error << "\n";
        return 1;
    }
    const std::vector<SuiteLine> lines = surGardSuiteLines(options.receiverType);
    std::size_t good = 0;
    for (const SuiteLine& line : lines) {
        if (options.cancel != nullptr && options.cancel->load()) {
            break;
        }
        const std::string verdict = exchange(fd.get(), line.bytes, options);
        good += verdict.empty() ? 1 : 0;
        out << "  " << line.name << ": " << (verdict.empty() ? "OK" : "BAD " + verdict) << "\n";
        if (verdict.rfind("no answer", 0) == 0 || verdict == "send failed" ||
            verdict == "stopped" || verdict.rfind("the station closed", 0) == 0) {
            break;  // the connection is gone or out of step: later verdicts would mislead
        }
    }
    out << "surgard suite: " << good << " of " << lines.size() << " lines answered well\n";
    return good == lines.size() ? 0 : 1;
}

}  // namespace corvane::sim
