// Fuzzes makeResponse, makeAck and makeNack. Input: byte 0 picks the protocol (Sur-Gard, SIA-DCS,
// other), byte 1 one more response mode to try (any signed byte, so also modes outside 0..4),
// byte 2 the length of the custom text that follows; the rest is the message.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "platform/quillet.h"
#include "protocol/crc16.h"
#include "protocol/response.h"
#include "station/station.h"

namespace {

const corvane::Protocol kProtocols[] = {corvane::Protocol::SurGard, corvane::Protocol::SiaDcs,
                                        corvane::Protocol::None};

corvane::Station& station() {
    static corvane::Station* const s = [] {
        quillet_setFileEnabled(false);
        return new corvane::Station();
    }();
    return *s;
}

unsigned hexValue(std::string_view digits) {
    unsigned value = 0;
    for (const char c : digits) {
        FUZZ_CHECK((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'));
        value = value * 16 + static_cast<unsigned>(c <= '9' ? c - '0' : c - 'A' + 10);
    }
    return value;
}

// LF, CRC of the body, "0", body length, body ("word" + copied text + "[]"), CR; at most 255.
void checkFrame(const std::string& frame, std::string_view word) {
    FUZZ_CHECK(frame.size() >= 10 && frame.size() <= 255);
    FUZZ_CHECK(frame.front() == '\n' && frame.back() == '\r' && frame[5] == '0');
    const std::string_view body = std::string_view(frame).substr(9, frame.size() - 10);
    FUZZ_CHECK(hexValue(std::string_view(frame).substr(6, 3)) == body.size());
    FUZZ_CHECK(hexValue(std::string_view(frame).substr(1, 4)) == corvane::crc16(body));
    FUZZ_CHECK(body.substr(0, word.size()) == word);
    FUZZ_CHECK(body.size() >= word.size() + 2 && body.substr(body.size() - 2) == "[]");
    FUZZ_CHECK(body.find('\0') == std::string_view::npos);
}

void checkResponse(corvane::Station& s, int mode, const std::string& message,
                   const std::string& custom) {
    const std::string ack = corvane::makeAck(message);
    const std::string nack = corvane::makeNack(message);
    s.m_responseMode = corvane::responseModeAt(mode);
    const corvane::Reply reply = corvane::makeResponse(message, s);
    const std::string answer = corvane::renderReply(reply);
    FUZZ_CHECK(answer.empty() == (reply.word == corvane::AnswerWord::None));
    if (s.m_protocol == corvane::Protocol::SurGard) {
        FUZZ_CHECK(answer.size() <= 1);
        FUZZ_CHECK(answer.empty() || answer[0] != '\0');
    } else if (s.m_protocol == corvane::Protocol::SiaDcs) {
        switch (mode) {
            case 0:
                FUZZ_CHECK(answer == ack);
                break;
            case 1:
                FUZZ_CHECK(answer == nack && reply.delayMs == 2000);
                break;
            case 2:
                FUZZ_CHECK(answer == ack || answer == nack);
                break;
            case 3:
                FUZZ_CHECK(answer == custom);
                break;
            case 4:
                FUZZ_CHECK(answer == ack || answer == custom);
                break;
            default:
                FUZZ_CHECK(answer.empty());
                break;
        }
    } else {
        FUZZ_CHECK(answer.empty());
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3) {
        return 0;
    }
    corvane::Station& s = station();
    s.m_protocol = kProtocols[data[0] % 3];
    const int extraMode = static_cast<std::int8_t>(data[1]);
    const std::size_t customLength = data[2] < size - 3 ? data[2] : size - 3;
    const std::string custom(reinterpret_cast<const char*>(data + 3), customLength);
    const std::string message(reinterpret_cast<const char*>(data + 3 + customLength),
                              size - 3 - customLength);
    s.setCustomResponse(custom);

    checkFrame(corvane::makeAck(message), "\"ACK\"");
    checkFrame(corvane::makeNack(message), "\"NACK\"");
    for (int mode = 0; mode <= 4; ++mode) {
        checkResponse(s, mode, message, custom);
    }
    checkResponse(s, extraMode, message, custom);
    return 0;
}
