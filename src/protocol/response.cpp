// The response policy: the bytes that answer one received message, chosen by the operator's
// radio buttons. Runs on the receiving thread, before the message is queued.
#include <ctime>
#include <string>
#include <string_view>

#include "protocol/custom_byte.h"
#include "protocol/dc09_frame.h"
#include "protocol/delimited_text.h"
#include "station/station.h"

namespace corvane {

namespace {

constexpr char kAckByte = 0x06;
constexpr char kNackByte = 0x15;

enum Mode : int {
    kAckAll = 0,
    kNackAll = 1,
    kNackAllButHeartbeats = 2,
    kCustomToAll = 3,
    kCustomToAllButHeartbeats = 4,
};

}  // namespace

std::string Station::makeResponse(const std::string& message) {
    Dc09Reading reading;
    return makeResponse(message, reading);
}

std::string Station::makeResponse(const std::string& message, Dc09Reading& reading) {
    const int mode = m_responseMode.load();
    if (m_protocol == "Sur-Gard") {
        const bool heartbeat = !message.empty() && message.front() == '1';
        char byte = 0;
        switch (mode) {
            case kAckAll:
                byte = kAckByte;
                break;
            case kNackAll:
                byte = kNackByte;
                break;
            case kNackAllButHeartbeats:
                byte = heartbeat ? kAckByte : kNackByte;
                break;
            case kCustomToAll:
            case kCustomToAllButHeartbeats: {
                const auto custom = static_cast<char>(customByte(customResponse()));
                byte = (mode == kCustomToAllButHeartbeats && heartbeat) ? kAckByte : custom;
                break;
            }
            default:
                break;
        }
        // The answer is a C text of at most one byte: a byte 0 sends nothing.
        return byte == 0 ? std::string() : std::string(1, byte);
    }

    if (m_protocol == "SIA-DCS") {
        const std::string_view text = untilFirstZero(message);
        // DC-09 settings (all off by default) may decide the whole answer, or give an
        // encrypted ACK and a NAK in place of the plain ACK and NACK frames.
        const Dc09Answer dc09 = m_dc09.answer(text, std::time(nullptr), reading);
        if (dc09.decided) {
            return dc09.bytes;
        }
        // Only the frame that leaves is built (an encrypted ACK or a NAK replaces its plain one).
        const auto ack = [&] { return dc09.ack.empty() ? makeAck(text) : dc09.ack; };
        const auto nack = [&] { return dc09.nack.empty() ? makeNack(text) : dc09.nack; };
        const bool linkTest = text.find(kNullToken) != std::string_view::npos || dc09.linkTest;
        switch (mode) {
            case kAckAll:
                return ack();
            case kNackAll:
                // The receiver sees this NACK 2000 ms late: the link schedules it (answer_plan).
                return nack();
            case kNackAllButHeartbeats:
                return linkTest ? ack() : nack();
            case kCustomToAll:
                return customResponse();
            case kCustomToAllButHeartbeats: {
                std::string custom = customResponse();
                return linkTest ? ack() : custom;
            }
            default:
                return {};
        }
    }
    return {};
}

std::string Station::makeAck(std::string_view message) {
    ReplyFrame frame;
    buildReplyFrame("ACK", message, frame);
    return std::string(frame.view());
}

std::string Station::makeNack(std::string_view message) {
    ReplyFrame frame;
    buildReplyFrame("NACK", message, frame);
    return std::string(frame.view());
}

}  // namespace corvane
