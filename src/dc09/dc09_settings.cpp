#include "dc09/dc09_settings.h"

#include <iterator>

#include "dc09/answer_frames.h"
#include "dc09/encrypted_frame.h"

namespace corvane {

namespace {

FrameVerdict decided(Reply reply) {
    FrameVerdict verdict;
    verdict.decided = std::move(reply);
    return verdict;
}

Reply noAnswer() {
    Reply reply;
    reply.protocol = Protocol::SiaDcs;
    return reply;
}

constexpr std::string_view kUndecryptableNames[] = {"plain", "duh", "nak", "none"};

}  // namespace

std::string_view undecryptableAnswerName(UndecryptableAnswer answer) {
    return kUndecryptableNames[static_cast<std::size_t>(answer)];
}

std::span<const std::string_view> undecryptableAnswerNames() {
    return kUndecryptableNames;
}

std::optional<UndecryptableAnswer> undecryptableAnswerNamed(std::string_view name) {
    for (std::size_t i = 0; i < std::size(kUndecryptableNames); ++i) {
        if (kUndecryptableNames[i] == name) {
            return static_cast<UndecryptableAnswer>(i);
        }
    }
    return std::nullopt;
}

Dc09Settings::Dc09Settings() : m_config(std::make_shared<const Dc09Config>()) {}

std::shared_ptr<const Dc09Config> Dc09Settings::current() const {
    std::lock_guard lock(m_mutex);
    return m_config;
}

void Dc09Settings::replace(Dc09Config config) {
    auto fresh = std::make_shared<const Dc09Config>(std::move(config));
    std::lock_guard lock(m_mutex);
    m_config = std::move(fresh);
}

FrameVerdict Dc09Settings::answer(std::string_view message, std::time_t now,
                                  Dc09Reading& reading) const {
    using Outcome = Dc09Reading::Outcome;
    const std::shared_ptr<const Dc09Config> config = current();
    const dc09::Key* key = nullptr;
    std::time_t decryptedStamp = 0;
    dc09::decryptFrame(message, config->keys, reading, &key, &decryptedStamp);

    if (reading.outcome == Outcome::NoKey || reading.outcome == Outcome::Undecryptable) {
        switch (config->undecryptable) {
            case UndecryptableAnswer::Duh:
                return decided(dc09::duhReply(message));
            case UndecryptableAnswer::Nak:
                return decided(dc09::nakReply(now));
            case UndecryptableAnswer::None:
                return decided(noAnswer());
            case UndecryptableAnswer::Policy:
                break;
        }
    }
    if (config->timeWindowOn) {
        std::optional<std::time_t> stamp;
        if (reading.outcome == Outcome::Decrypted) {
            stamp = decryptedStamp;
        } else if (reading.outcome == Outcome::Plain) {
            // A plain frame without a stamp is not judged; one with an impossible stamp is.
            if (const auto text = dc09::plainFrameStamp(message)) {
                stamp = dc09::parseTimeStamp(*text).value_or(0);
            }
        }
        if (stamp && !config->timeWindow.contains(*stamp, now)) {
            reading.stampOutside = true;
            return decided(dc09::nakReply(now));
        }
    }
    FrameVerdict verdict;
    if (reading.outcome == Outcome::Decrypted) {
        verdict.ack = dc09::encryptedAckReply(message, *key, now);
        verdict.linkTest = reading.text.rfind("\"NULL\"", 0) == 0;
    }
    if (config->dc09Words) {
        verdict.nack = dc09::nakReply(now);
    }
    return verdict;
}

}  // namespace corvane
