#include "receiver/dc09_suite.h"

#include <cctype>
#include <cstdio>

#include "receiver/answer_check.h"
#include "receiver/dc09_frame.h"
#include "receiver/sim_socket.h"

namespace corvane::sim {

namespace {

constexpr const char* kEvent = "[#1234|Nri1/BA01]";

SuiteFrame plain(std::string name, const std::string& echo, const std::string& data = kEvent) {
    return {std::move(name), dc09Frame("\"SIA-DCS\"" + echo + data), echo};
}

std::string lowerHead(std::string frame) {
    for (std::size_t i = 1; i < 9; ++i) {
        frame[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(frame[i])));
    }
    return frame;
}

// A frame whose CRC and length fields hold letters, sent in lower case.
SuiteFrame lowerCase() {
    for (unsigned seq = 0; seq < 10000; ++seq) {
        char echo[32];
        std::snprintf(echo, sizeof echo, "%04uR0L0#1234ABCD", seq);
        SuiteFrame frame = plain("lower-case CRC and length", echo, "[#1234ABCD|Nri1/BA01]");
        const std::string lowered = lowerHead(frame.bytes);
        if (lowered.compare(1, 4, frame.bytes, 1, 4) != 0) {
            frame.bytes = lowered;
            return frame;
        }
    }
    return plain("lower-case CRC and length (none found)", "0001R0L0#1234");
}

// A frame with a 2-byte binary CRC; the sequence number is picked so a CRC byte is LF or CR.
SuiteFrame binaryCrc() {
    for (unsigned seq = 0; seq < 10000; ++seq) {
        char echo[32];
        std::snprintf(echo, sizeof echo, "%04uR0L0#1234", seq);
        const std::string body = "\"SIA-DCS\"" + std::string(echo) + kEvent;
        const std::uint16_t crc = dc09Crc(body);
        const int high = crc >> 8;
        const int low = crc & 0xFF;
        if (high == '\n' || high == '\r' || low == '\n' || low == '\r') {
            char length[8];
            std::snprintf(length, sizeof length, "0%03X", static_cast<unsigned>(body.size()));
            return {"binary CRC holding LF or CR",
                    std::string("\n") + static_cast<char>(high) + static_cast<char>(low) + length +
                        body + "\r",
                    echo};
        }
    }
    return plain("binary CRC (none found)", "0001R0L0#1234");
}

// Sends `bytes` in two writes cut at `cut` (one write for 0) and reads one answer up to CR.
bool exchange(int fd, const std::string& bytes, std::size_t cut, int timeoutMs,
              const std::atomic<bool>* stop, std::string& answer, std::string& why) {
    const std::string_view all(bytes);
    for (const std::string_view part : {all.substr(0, cut), all.substr(cut)}) {
        if (!part.empty() && sendAll(fd, part.data(), part.size(), timeoutMs) < 0) {
            why = "send failed";
            return false;
        }
    }
    answer.clear();
    char c = 0;
    while (c != '\r') {
        if (receiveSome(fd, &c, 1, timeoutMs, stop) <= 0) {
            why = stop != nullptr && stop->load()
                      ? "stopped"
                      : "no answer within " + std::to_string(timeoutMs) + " ms";
            return false;
        }
        answer.push_back(c);
    }
    return true;
}

}  // namespace

std::vector<SuiteFrame> dc09SuiteFrames() {
    std::vector<SuiteFrame> frames = {
        plain("sequence 0000", "0000R0L0#1234"),
        plain("sequence 9999", "9999R0L0#1234"),
        plain("sequence wraps to 0000", "0000R0L0#1234"),
        plain("receiver R0", "0001R0L0#1234"),
        plain("receiver R1234", "0002R1234L0#1234"),
        plain("receiver RFFFFFF", "0003RFFFFFFL0#1234"),
        plain("no receiver field", "0004L0#1234"),
        plain("extended data", "0005R1L1#1234",
              "[#1234|Nri1/BA01][X012W34.5678][Y045N12.3456]_12:00:00,01-01-2024"),
        plain("empty L field", "0006R0L#1234"),
    };
    const std::string digits = "0123456789ABCDEF";
    for (std::size_t size = 3; size <= 16; ++size) {
        const std::string account = digits.substr(0, size);
        frames.push_back(plain("account of " + std::to_string(size) + " hex digits",
                               "0007R0L0#" + account, "[#" + account + "|Nri1/BA01]"));
    }
    frames.push_back(lowerCase());
    frames.push_back(binaryCrc());
    SuiteFrame nul = plain("NUL after CR", "0009R0L0#1234");
    nul.bytes.push_back('\0');
    frames.push_back(nul);
    return frames;
}

int runDc09Suite(const RunOptions& options, std::ostream& out) {
    std::string error;
    Fd fd = connectTcp(options.host, options.port, options.connectTimeoutMs, error, options.cancel);
    if (!fd.valid()) {
        out << "dc09 suite: " << error << "\n";
        return 1;
    }
    int good = 0;
    const std::vector<SuiteFrame> frames = dc09SuiteFrames();
    for (const SuiteFrame& frame : frames) {
        std::string verdict;
        std::string answer;
        for (std::size_t cut = 0; cut < frame.bytes.size() && verdict.empty(); ++cut) {
            if (!exchange(fd.get(), frame.bytes, cut, options.answerTimeoutMs, options.cancel,
                          answer, verdict)) {
                verdict += cut == 0 ? "" : " (split at byte " + std::to_string(cut) + ")";
                break;
            }
            verdict = checkDc09Answer(answer, frame.echo, options.expectation);
            if (!verdict.empty() && cut > 0) {
                verdict += " (split at byte " + std::to_string(cut) + ")";
            }
        }
        good += verdict.empty();
        out << "  " << frame.name << ": " << (verdict.empty() ? "OK" : "BAD " + verdict) << "\n";
        if (verdict.find("no answer") != std::string::npos ||
            verdict.find("send failed") != std::string::npos || verdict.rfind("stopped", 0) == 0) {
            break;  // the connection is gone or out of step: later verdicts would mislead
        }
    }
    out << "dc09 suite: " << good << " of " << frames.size() << " frames answered well\n";
    return good == static_cast<int>(frames.size()) ? 0 : 1;
}

}  // namespace corvane::sim
