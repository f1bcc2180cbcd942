// One row per receiver connection of this run: when it came and went, what it sent by kind,
// how it was answered and how fast. Rows of connections lost long ago are dropped past a bound.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "record/latency_histogram.h"
#include "record/message_record.h"

namespace corvane {

struct ReceiverRow {
    std::uint64_t connection = 0;
    std::string peer;
    std::int64_t connectedUs = 0;    // when the link saw it connect (else its first message)
    std::int64_t lostUs = 0;         // 0 while connected
    std::int64_t lastMessageUs = 0;  // 0 before its first message
    std::array<std::uint64_t, kMessageKindCount> byKind{};
    std::array<std::uint64_t, kAnswerWordCount> byWord{};
    LatencyHistogram latency;
};

// Not thread-safe: MessageRecords guards it.
class ReceiverTable {
  public:
    static constexpr std::size_t kMaxRows = 1024;

    void connected(std::uint64_t connection, const std::string& peer, std::int64_t us);
    void lost(std::uint64_t connection, std::int64_t us);
    void message(const MessageRecord& record);
    // A late answer for a message counted before with `previous` as its word.
    void answer(const MessageRecord& record, AnswerWord previous);
    std::vector<ReceiverRow> rows() const;
    void clear() { m_rows.clear(); }

  private:
    ReceiverRow& rowFor(std::uint64_t connection);
    std::map<std::uint64_t, ReceiverRow> m_rows;
};

}  // namespace corvane
