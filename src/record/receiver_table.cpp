#include "record/receiver_table.h"

namespace corvane {

ReceiverRow& ReceiverTable::rowFor(std::uint64_t connection) {
    auto found = m_rows.find(connection);
    if (found != m_rows.end()) {
        return found->second;
    }
    if (m_rows.size() >= kMaxRows) {
        // Drop the oldest lost connection, else the oldest one.
        auto victim = m_rows.begin();
        for (auto it = m_rows.begin(); it != m_rows.end(); ++it) {
            if (it->second.lostUs != 0) {
                victim = it;
                break;
            }
        }
        m_rows.erase(victim);
    }
    ReceiverRow& row = m_rows[connection];
    row.connection = connection;
    return row;
}

void ReceiverTable::connected(std::uint64_t connection, const std::string& peer, std::int64_t us) {
    ReceiverRow& row = rowFor(connection);
    row.peer = peer;
    row.connectedUs = us;
}

void ReceiverTable::lost(std::uint64_t connection, std::int64_t us) {
    rowFor(connection).lostUs = us;
}

void ReceiverTable::message(const MessageRecord& record) {
    ReceiverRow& row = rowFor(record.connection);
    if (row.peer.empty()) {
        row.peer = record.peer;
    }
    if (row.connectedUs == 0) {
        row.connectedUs = record.receivedUs;
    }
    row.lastMessageUs = record.receivedUs;
    ++row.byKind[static_cast<std::size_t>(record.kind)];
    ++row.byWord[static_cast<std::size_t>(record.answerWord)];
    if (record.latencyUs >= 0) {
        row.latency.add(record.latencyUs);
    }
}

void ReceiverTable::answer(const MessageRecord& record, AnswerWord previous) {
    ReceiverRow& row = rowFor(record.connection);
    auto& before = row.byWord[static_cast<std::size_t>(previous)];
    if (before > 0) {
        --before;
    }
    ++row.byWord[static_cast<std::size_t>(record.answerWord)];
    if (record.latencyUs >= 0) {
        row.latency.add(record.latencyUs);
    }
}

std::vector<ReceiverRow> ReceiverTable::rows() const {
    std::vector<ReceiverRow> out;
    out.reserve(m_rows.size());
    for (const auto& [connection, row] : m_rows) {
        out.push_back(row);
    }
    return out;
}

}  // namespace corvane
