#include "protocol/response.h"

#include "protocol/custom_byte.h"
#include "protocol/dc09_frame.h"
#include "protocol/delimited_text.h"
#include "protocol/sur_gard_heartbeat.h"

namespace corvane {

namespace {

Reply wordReply(Protocol protocol, AnswerWord word) {
    Reply reply;
    reply.protocol = protocol;
    reply.word = word;
    return reply;
}

Reply surGardResponse(std::string_view message, const Settings& settings) {
    const bool heartbeat = isHeartbeat(message, Protocol::SurGard);
    switch (settings.m_responseMode.load()) {
        case ResponseMode::AckAll:
            return wordReply(Protocol::SurGard, AnswerWord::Ack);
        case ResponseMode::NackAll:
            return wordReply(Protocol::SurGard, AnswerWord::Nack);
        case ResponseMode::NackAllButHeartbeats:
            return wordReply(Protocol::SurGard, heartbeat ? AnswerWord::Ack : AnswerWord::Nack);
        case ResponseMode::CustomToAll:
            return customReply(Protocol::SurGard, settings.customResponse());
        case ResponseMode::CustomToAllButHeartbeats:
            return heartbeat ? wordReply(Protocol::SurGard, AnswerWord::Ack)
                             : customReply(Protocol::SurGard, settings.customResponse());
        case ResponseMode::None:
            break;
    }
    return wordReply(Protocol::SurGard, AnswerWord::None);
}

Reply siaDcsResponse(std::string_view message, const Settings& settings,
                     const FrameVerdict& verdict) {
    if (verdict.decided) {
        return *verdict.decided;
    }
    const std::string_view text = untilFirstZero(message);
    const bool linkTest = isHeartbeat(text, Protocol::SiaDcs) || verdict.linkTest;
    const auto ack = [&] { return verdict.ack ? *verdict.ack : frameReply(AnswerWord::Ack, text); };
    const auto nack = [&] {
        return verdict.nack ? *verdict.nack : frameReply(AnswerWord::Nack, text);
    };
    switch (settings.m_responseMode.load()) {
        case ResponseMode::AckAll:
            return ack();
        case ResponseMode::NackAll: {
            Reply late = nack();
            late.delayMs = settings.m_timeouts.nackPause.count();
            return late;
        }
        case ResponseMode::NackAllButHeartbeats:
            return linkTest ? ack() : nack();
        case ResponseMode::CustomToAll:
            return customReply(Protocol::SiaDcs, settings.customResponse());
        case ResponseMode::CustomToAllButHeartbeats:
            return linkTest ? ack() : customReply(Protocol::SiaDcs, settings.customResponse());
        case ResponseMode::None:
            break;
    }
    return wordReply(Protocol::SiaDcs, AnswerWord::None);
}

}  // namespace

bool isHeartbeat(std::string_view message, Protocol protocol) {
    if (protocol == Protocol::SiaDcs) {
        return untilFirstZero(message).find(kNullToken) != std::string_view::npos;
    }
    return isSurGardHeartbeat(untilFirstZero(message));
}

Reply frameReply(AnswerWord word, std::string_view message) {
    Reply reply = wordReply(Protocol::SiaDcs, word);
    reply.text.assign(replyCopiedText(untilFirstZero(message)));
    return reply;
}

Reply customReply(Protocol protocol, std::string text) {
    Reply reply = wordReply(protocol, AnswerWord::Custom);
    const bool nothing = protocol == Protocol::SiaDcs ? text.empty() : customByte(text) == 0;
    if (nothing) {
        reply.word = AnswerWord::None;
    }
    reply.text = std::move(text);
    return reply;
}

Reply makeResponse(std::string_view message, const Settings& settings,
                   const FrameVerdict& verdict) {
    switch (settings.m_protocol) {
        case Protocol::SurGard:
            return surGardResponse(message, settings);
        case Protocol::SiaDcs:
            return siaDcsResponse(message, settings, verdict);
        case Protocol::None:
            break;
    }
    return {};
}

std::string makeAck(std::string_view message) {
    return renderReply(frameReply(AnswerWord::Ack, message));
}

std::string makeNack(std::string_view message) {
    return renderReply(frameReply(AnswerWord::Nack, message));
}

}  // namespace corvane
