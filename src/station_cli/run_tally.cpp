#include "station_cli/run_tally.h"

#include "station_cli/answer_word.h"

namespace corvane::cli {

std::string receiverAddress(const std::string& peer) {
    const auto colon = peer.rfind(':');
    return colon == std::string::npos ? peer : peer.substr(0, colon);
}

void RunTally::add(const ReceivedMessage& message) {
    const std::string word = answerWord(m_protocol, message.answer);
    std::string address = receiverAddress(message.peer);
    {
        std::lock_guard lock(m_mutex);
        ++m_tally.messages;
        ++m_tally.answers[word];
        if (m_tally.addresses.size() < kAddressLimit || m_tally.addresses.count(address) > 0) {
            ++m_tally.addresses[std::move(address)];
        } else {
            ++m_tally.otherAddresses;
        }
        if (message.answer.sentUs != 0 && message.answer.sentUs >= message.receivedUs) {
            m_tally.latency.add(
                static_cast<std::uint64_t>(message.answer.sentUs - message.receivedUs));
        }
    }
    ++m_messages;
}

TallySnapshot RunTally::snapshot() const {
    std::lock_guard lock(m_mutex);
    return m_tally;
}

}  // namespace corvane::cli
