#include "answer/answer_plan.h"

#include <chrono>
#include <cstdio>
#include <ctime>

#include "protocol/custom_byte.h"
#include "protocol/dc09_frame.h"
#include "protocol/delimited_text.h"
#include "station/station.h"

namespace corvane::answer {

namespace {

constexpr std::int64_t kNackAllPauseMs = 2000;
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

std::string bytesFor(Station& station, Word word, const std::string& message) {
    const bool siaDcs = station.m_protocol == "SIA-DCS";
    switch (word) {
        case Word::Ack:
            return siaDcs ? frame("ACK", message) : std::string(1, '\x06');
        case Word::Nack:
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
        if (bytes.size() > 10 && bytes.compare(9, 5, "\"ACK\"") == 0) {
            return "ACK";
        }
        if (bytes.size() > 10 && bytes.compare(9, 6, "\"NACK\"") == 0) {
            return "NACK";
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
                         std::string* liveStep) {
    PlannedAnswer plan;
    std::shared_ptr<const ScriptSet> set;
    if (station.answerScripts().enabled()) {
        set = station.answerScripts().current();
    }
    if (!set) {
        plan.bytes = station.makeResponse(message);
        plan.word = policyWord(station, plan.bytes);
        if (station.m_protocol == "SIA-DCS" && station.m_responseMode.load() == kNackAllMode) {
            plan.delayMs = kNackAllPauseMs;
        }
        return plan;
    }
    const bool heartbeat = isHeartbeat(station, message);
    int index = 0;
    const Step& step = cursor.take(*set, heartbeat, index);
    plan.bytes = bytesFor(station, step.word, message);
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
    const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    std::tm utc{};
    gmtime_r(&now, &utc);
    char text[80];
    std::snprintf(text, sizeof text, "_%02d:%02d:%02d,%02d-%02d-%04d", utc.tm_hour, utc.tm_min,
                  utc.tm_sec, utc.tm_mon + 1, utc.tm_mday, utc.tm_year + 1900);
    return text;
}

}  // namespace corvane::answer
