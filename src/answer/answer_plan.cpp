#include "answer/answer_plan.h"

#include <chrono>
#include <cstdio>
#include <ctime>

#include "dc09/time_stamp.h"
#include "protocol/custom_byte.h"
#include "protocol/dc09_frame.h"
#include "protocol/delimited_text.h"
#include "station/station.h"

namespace corvane::answer {

namespace {

constexpr int kNackAllMode = 1;

bool isHeartbeat(const Station& station, const std::string& message) {
    if (station.m_protocol == "SIA-DCS") {
        return untilFirstZero(message).find(kNullToken) != std::string_view::npos;
    }
    return !message.empty() && message.front() == '1';
}

std::string frame(std::string_view word, const std::string& message, std::string_view suffix = {}) {
    ReplyFrame reply;
    buildReplyFrame(word, untilFirstZero(message), reply, suffix);
    return std::string(reply.view());
}

std::string bytesFor(Station& station, Word word, const std::string& message,
                     const Dc09Answer& dc09) {
    const bool siaDcs = station.m_protocol == "SIA-DCS";
    switch (word) {
        case Word::Ack:
            if (siaDcs && !dc09.ack.empty()) {
                return dc09.ack;  // an encrypted frame gets an encrypted ACK
            }
            return siaDcs ? frame("ACK", message) : std::string(1, '\x06');
        case Word::Nack:
            if (siaDcs && !dc09.nack.empty()) {
                return dc09.nack;  // the DC-09 answer words are on: a NAK frame
            }
            return siaDcs ? frame("NACK", message) : std::string(1, '\x15');
        case Word::Nak:
            return frame("NAK", message, dc09TimeStamp());
        case Word::Duh:
            return frame("DUH", message);
        case Word::Custom: {
            if (siaDcs) {
                return station.customResponse();
            }
            const auto byte = static_cast<char>(customByte(station.customResponse()));
            return byte == 0 ? std::string() : std::string(1, byte);
        }
        case Word::None:
            break;
    }
    return {};
}

// The word the radio buttons chose, told from the bytes makeResponse built.
std::string policyWord(const Station& station, const std::string& bytes) {
    if (bytes.empty()) {
        return "none";
    }
    if (station.m_protocol == "SIA-DCS") {
        // A reply frame: LF, CRC, length, then the quoted word ("*ACK" when encrypted).
        for (const std::string_view word : {"ACK", "NACK", "NAK", "DUH"}) {
            for (const std::string_view quote : {"\"", "\"*"}) {
                const std::string quoted = std::string(quote) + std::string(word) + "\"";
                if (bytes.size() > 10 && bytes.compare(9, quoted.size(), quoted) == 0) {
                    return std::string(word);
                }
            }
        }
        return "custom";
    }
    const int mode = station.m_responseMode.load();
    if (mode >= 3) {
        // A custom byte that happens to be 0x06 is still the custom answer, unless it was the
        // heartbeat's ACK of "custom to all but heartbeats".
        return (mode == 4 && bytes == "\x06") ? "ACK" : "custom";
    }
    return bytes == "\x06" ? "ACK" : "NACK";
}

}  // namespace

const Step& ScriptCursor::take(const ScriptSet& set, bool heartbeat, int& index) {
    if (m_generation != set.generation) {
        m_generation = set.generation;
        m_main = 0;
        m_heartbeat = 0;
    }
    const bool own = heartbeat && set.heartbeat.has_value();
    const Script& script = own ? *set.heartbeat : set.main;
    std::size_t& next = own ? m_heartbeat : m_main;
    const std::size_t at = next % script.steps.size();
    next = at + 1;
    index = static_cast<int>(at);
    return script.steps[at];
}

PlannedAnswer planAnswer(Station& station, const std::string& message, ScriptCursor& cursor,
                         Dc09Reading& reading, std::string* liveStep) {
    PlannedAnswer plan;
    std::shared_ptr<const ScriptSet> set;
    if (station.answerScripts().enabled()) {
        set = station.answerScripts().current();
    }
    if (!set) {
        plan.bytes = station.makeResponse(message, reading);
        plan.word = policyWord(station, plan.bytes);
        // The NACK (or its DC-09 form) is late; a NAK for a clock outside the window is not.
        if (station.m_protocol == "SIA-DCS" && station.m_responseMode.load() == kNackAllMode &&
            (plan.word == "NACK" || plan.word == "NAK") && !reading.stampOutside) {
            plan.delayMs = station.m_timeouts.nackPause.count();
        }
        return plan;
    }
    Dc09Answer dc09;
    if (station.m_protocol == "SIA-DCS") {
        dc09 = station.m_dc09.answer(untilFirstZero(message), std::time(nullptr), reading);
    }
    const bool heartbeat = isHeartbeat(station, message) || dc09.linkTest;
    int index = 0;
    const Step& step = cursor.take(*set, heartbeat, index);
    if (dc09.decided) {
        // A frame that cannot be decrypted, or whose clock is off, gets the answer the DC-09
        // settings give it, whatever the step says; the step is still taken.
        plan.bytes = dc09.bytes;
        plan.word = dc09.bytes.empty() ? "none" : dc09.word;
        plan.step = index;
        return plan;
    }
    plan.bytes = bytesFor(station, step.word, message, dc09);
    plan.word = step.word == Word::None || !plan.bytes.empty() ? noteName(step.word) : "none";
    plan.step = index;
    plan.delayMs = step.delayMs;
    plan.closeMs = step.closeMs;
    if (liveStep != nullptr) {
        const bool own = heartbeat && set->heartbeat.has_value();
        const std::size_t total = own ? set->heartbeat->steps.size() : set->main.steps.size();
        *liveStep = std::string(own ? "heartbeat " : "") + "step " + std::to_string(index + 1) +
                    " of " + std::to_string(total) + ": " + stepText(step);
    }
    return plan;
}

std::string dc09TimeStamp() {
    return "_" + dc09::formatTimeStamp(std::time(nullptr));
}

}  // namespace corvane::answer
