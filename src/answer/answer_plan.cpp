#include "answer/answer_plan.h"

#include <ctime>

#include "dc09/time_stamp.h"
#include "protocol/delimited_text.h"
#include "protocol/response.h"

namespace corvane::answer {

namespace {

// The Reply a script step's word makes for `message`, the DC-09 settings' own ACK and NACK
// taking the place of the plain ones.
Reply stepReply(AnswerWord word, std::string_view message, const Settings& settings,
                const FrameVerdict& verdict) {
    const Protocol protocol = settings.m_protocol;
    const bool siaDcs = protocol == Protocol::SiaDcs;
    Reply reply;
    switch (word) {
        case AnswerWord::Ack:
            reply = siaDcs && verdict.ack ? *verdict.ack : frameReply(word, message);
            break;
        case AnswerWord::Nack:
            reply = siaDcs && verdict.nack ? *verdict.nack : frameReply(word, message);
            break;
        case AnswerWord::Nak:
            reply = frameReply(word, message);
            reply.tail = "_" + dc09::formatTimeStamp(std::time(nullptr));
            break;
        case AnswerWord::Duh:
            reply = frameReply(word, message);
            break;
        case AnswerWord::Custom:
            reply = customReply(protocol, settings.customResponse());
            break;
        case AnswerWord::None:
            break;
    }
    reply.protocol = protocol;
    return reply;
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

namespace {

// The answer once the DC-09 settings had their say.
Reply planWith(std::string_view message, const AnswerSources& sources, ScriptCursor& cursor,
               const FrameVerdict& verdict, std::string* liveStep) {
    const Settings& settings = sources.settings;
    std::shared_ptr<const ScriptSet> set;
    if (sources.scripts.enabled()) {
        set = sources.scripts.current();
    }
    if (!set) {
        return makeResponse(message, settings, verdict);
    }
    const bool heartbeat = isHeartbeat(message, settings.m_protocol) || verdict.linkTest;
    int index = 0;
    const Step& step = cursor.take(*set, heartbeat, index);
    // A frame that cannot be decrypted, or whose clock is off, gets the answer the DC-09 settings
    // give it, whatever the step says; the step is still taken.
    Reply reply =
        verdict.decided ? *verdict.decided : stepReply(step.word, message, settings, verdict);
    reply.step = index;
    if (!verdict.decided) {
        reply.delayMs = step.delayMs;
        reply.closeMs = step.closeMs;
    }
    if (liveStep != nullptr && !verdict.decided) {
        const bool own = heartbeat && set->heartbeat.has_value();
        const std::size_t total = own ? set->heartbeat->steps.size() : set->main.steps.size();
        *liveStep = std::string(own ? "heartbeat " : "") + "step " + std::to_string(index + 1) +
                    " of " + std::to_string(total) + ": " + stepText(step);
    }
    return reply;
}

}  // namespace

Reply planAnswer(std::string_view message, const AnswerSources& sources, ScriptCursor& cursor,
                 Dc09Reading& reading, std::string* liveStep) {
    if (sources.settings.m_protocol != Protocol::SiaDcs) {
        // Nothing to verify: no verdict is built (and cleared) for every Sur-Gard answer.
        static const FrameVerdict kNoVerdict;
        return planWith(message, sources, cursor, kNoVerdict, liveStep);
    }
    const FrameVerdict verdict =
        sources.dc09.answer(untilFirstZero(message), std::time(nullptr), reading);
    return planWith(message, sources, cursor, verdict, liveStep);
}

}  // namespace corvane::answer
