#include "record/tally.h"

#include <algorithm>

namespace corvane {

namespace {

constexpr std::int64_t kSecondUs = 1'000'000;

std::int64_t utcSecond(std::int64_t us) {
    return us >= 0 ? us / kSecondUs : (us - kSecondUs + 1) / kSecondUs;
}

// Read to send, for an answer that left; -1 otherwise.
std::int64_t latencyOf(std::int64_t receivedUs, const Delivery& delivery) {
    return delivery.state == Delivery::State::Sent ? delivery.sentUs - receivedUs : -1;
}

std::size_t slotOf(std::int64_t second) {
    const auto kept = static_cast<std::int64_t>(Tally::kSecondsKept);
    return static_cast<std::size_t>(((second % kept) + kept) % kept);
}

}  // namespace

std::uint64_t AnswerCounts::unsent() const {
    std::uint64_t total = 0;
    for (const std::uint64_t n : unsentBy) {
        total += n;
    }
    return total;
}

void AnswerCounts::count(AnswerWord word, const Delivery& delivery) {
    if (delivery.waiting()) {
        ++waiting;
    } else if (delivery.unsent()) {
        ++unsentBy[static_cast<std::size_t>(delivery.reason)];
    } else {
        ++byWord[static_cast<std::size_t>(word)];
    }
}

void AnswerCounts::settle(AnswerWord word, const Delivery& delivery) {
    if (waiting > 0) {
        --waiting;
    }
    if (!delivery.waiting()) {
        count(word, delivery);
    }
}

std::string unsentReasonsText(const AnswerCounts& counts) {
    std::string text;
    int reasons = 0;
    for (std::size_t i = 0; i < counts.unsentBy.size(); ++i) {
        if (counts.unsentBy[i] == 0) {
            continue;
        }
        text += reasons++ == 0 ? "" : ", ";
        text += unsentReasonName(static_cast<Delivery::Reason>(i));
        text += " " + std::to_string(counts.unsentBy[i]);
    }
    if (reasons == 1) {
        text.erase(text.rfind(' '));  // one reason: its count is the unsent count
    }
    return text;
}

std::string receiverAddress(const std::string& peer) {
    const auto colon = peer.rfind(':');
    return colon == std::string::npos ? peer : peer.substr(0, colon);
}

Tally::Row& Tally::rowFor(std::uint64_t connection) {
    auto found = m_rows.find(connection);
    if (found != m_rows.end()) {
        return found->second;
    }
    if (m_rows.size() >= kMaxRows) {
        // Drop the oldest lost connection, else the oldest one.
        auto victim = m_rows.begin();
        for (auto it = m_rows.begin(); it != m_rows.end(); ++it) {
            if (it->second.shown.lostUs != 0) {
                victim = it;
                break;
            }
        }
        m_rows.erase(victim);
    }
    Row& row = m_rows[connection];
    row.shown.connection = connection;
    return row;
}

std::uint64_t* Tally::addressCountOf(const std::string& peer) {
    std::string address = receiverAddress(peer);
    auto known = m_totals.byAddress.find(address);
    if (known != m_totals.byAddress.end()) {
        return &known->second;
    }
    if (m_totals.byAddress.size() < kAddressLimit) {
        return &m_totals.byAddress.emplace(std::move(address), 0).first->second;
    }
    return &m_totals.otherAddresses;
}

void Tally::countLatency(ReceiverRow& row, std::int64_t latencyUs) {
    if (latencyUs < 0) {
        return;
    }
    row.latency.add(latencyUs);
    m_totals.latency.add(latencyUs);
    m_totals.latencySteps.add(latencyUs);
    m_totals.latencySumUs += latencyUs;
}

Tally::Second* Tally::secondOf(std::int64_t receivedUs) {
    const std::int64_t second = utcSecond(receivedUs);
    Second& slot = m_seconds[slotOf(second)];
    if (slot.second != second) {
        if (slot.second > second) {
            return nullptr;  // a newer second holds the slot: this one is no longer kept
        }
        slot = Second{second, 0, 0, 0};
    }
    return &slot;
}

void Tally::connected(std::uint64_t connection, const std::string& peer, std::int64_t us) {
    std::lock_guard lock(m_mutex);
    ReceiverRow& row = rowFor(connection).shown;
    row.peer = peer;
    row.connectedUs = us;
    ++m_totals.connections;
}

std::string Tally::lost(std::uint64_t connection, std::int64_t us, LinkLoss loss) {
    std::lock_guard lock(m_mutex);
    ReceiverRow& row = rowFor(connection).shown;
    row.lostUs = us;
    row.lostBy = loss;
    return row.peer;
}

void Tally::lostAll(std::int64_t us) {
    std::lock_guard lock(m_mutex);
    for (auto& [connection, row] : m_rows) {
        if (row.shown.lostUs == 0) {
            row.shown.lostUs = us;
            row.shown.lostBy = LinkLoss::Stopped;
        }
    }
}

void Tally::message(std::uint64_t connection, const std::string& peer, std::int64_t receivedUs,
                    MessageKind kind, AnswerWord word, const Delivery& delivery, std::size_t bytes,
                    bool outsideWindow) {
    const std::int64_t latencyUs = latencyOf(receivedUs, delivery);
    std::lock_guard lock(m_mutex);
    Row& state = rowFor(connection);
    ReceiverRow& row = state.shown;
    if (row.peer.empty()) {
        row.peer = peer;
    }
    if (row.connectedUs == 0) {
        row.connectedUs = receivedUs;
    }
    row.lastMessageUs = receivedUs;
    ++row.byKind[static_cast<std::size_t>(kind)];
    row.answers.count(word, delivery);
    ++m_totals.messages;
    m_totals.bytes += bytes;
    m_totals.outsideWindow += outsideWindow ? 1 : 0;
    ++m_totals.byKind[static_cast<std::size_t>(kind)];
    m_totals.answers.count(word, delivery);
    countLatency(row, latencyUs);
    if (Second* second = secondOf(receivedUs)) {
        ++second->messages;
        if (latencyUs >= 0) {
            ++second->timed;
            second->latencySumUs += latencyUs;
        }
    }
    if (state.addressCount == nullptr) {
        state.addressCount = addressCountOf(row.peer);
    }
    ++*state.addressCount;
    m_messages.fetch_add(1, std::memory_order_relaxed);
}

void Tally::answerSettled(std::uint64_t connection, std::int64_t receivedUs, AnswerWord word,
                          const Delivery& delivery) {
    const std::int64_t latencyUs = latencyOf(receivedUs, delivery);
    std::lock_guard lock(m_mutex);
    ReceiverRow& row = rowFor(connection).shown;
    row.answers.settle(word, delivery);
    m_totals.answers.settle(word, delivery);
    countLatency(row, latencyUs);
    Second* second = latencyUs >= 0 ? secondOf(receivedUs) : nullptr;
    if (second != nullptr) {
        ++second->timed;
        second->latencySumUs += latencyUs;
    }
}

void Tally::clearReceivers() {
    std::lock_guard lock(m_mutex);
    m_rows.clear();
}

std::vector<Tally::Second> Tally::seconds(std::int64_t from, std::int64_t to) const {
    std::vector<Second> out;
    out.reserve(static_cast<std::size_t>(std::max<std::int64_t>(0, to - from + 1)));
    std::lock_guard lock(m_mutex);
    for (std::int64_t second = from; second <= to; ++second) {
        const Second& slot = m_seconds[slotOf(second)];
        out.push_back(slot.second == second ? slot : Second{second, 0, 0, 0});
    }
    return out;
}

TallyTotals Tally::totals() const {
    std::lock_guard lock(m_mutex);
    return m_totals;
}

std::vector<ReceiverRow> Tally::receivers() const {
    std::vector<ReceiverRow> out;
    std::lock_guard lock(m_mutex);
    out.reserve(m_rows.size());
    for (const auto& [connection, row] : m_rows) {
        out.push_back(row.shown);
    }
    return out;
}

std::size_t Tally::connectedNow() const {
    std::lock_guard lock(m_mutex);
    return static_cast<std::size_t>(
        std::count_if(m_rows.begin(), m_rows.end(), [](const auto& row) {
            return row.second.shown.connectedUs != 0 && row.second.shown.lostUs == 0;
        }));
}

}  // namespace corvane
