#include "dc09/dc09_settings.h"

#include "dc09/answer_frames.h"
#include "dc09/encrypted_frame.h"

namespace corvane {

namespace {

Dc09Answer decidedAnswer(std::string bytes, std::string word) {
    Dc09Answer answer;
    answer.decided = true;
    answer.bytes = std::move(bytes);
    answer.word = std::move(word);
    return answer;
}

}  // namespace

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

Dc09Answer Dc09Settings::answer(std::string_view message, std::time_t now,
                                Dc09Reading& reading) const {
    using Outcome = Dc09Reading::Outcome;
    const std::shared_ptr<const Dc09Config> config = current();
    const dc09::Key* key = nullptr;
    std::time_t decryptedStamp = 0;
    dc09::decryptFrame(message, config->keys, reading, &key, &decryptedStamp);

    if (reading.outcome == Outcome::NoKey || reading.outcome == Outcome::Undecryptable) {
        switch (config->undecryptable) {
            case UndecryptableAnswer::Duh:
                return decidedAnswer(dc09::duhFrame(message), "DUH");
            case UndecryptableAnswer::Nak:
                return decidedAnswer(dc09::nakFrame(now), "NAK");
            case UndecryptableAnswer::None:
                return decidedAnswer({}, "none");
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
            return decidedAnswer(dc09::nakFrame(now), "NAK");
        }
    }
    Dc09Answer answer;
    if (reading.outcome == Outcome::Decrypted) {
        answer.ack = dc09::encryptedAckFrame(message, *key, now);
        answer.linkTest = reading.text.rfind("\"NULL\"", 0) == 0;
    }
    if (config->dc09Words) {
        answer.nack = dc09::nakFrame(now);
    }
    return answer;
}

}  // namespace corvane
