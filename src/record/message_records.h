// The records of this run: the newest records, at most N of them (100,000 unless changed) and at
// most M bytes (256 MiB unless changed), whichever limit comes first, with a sequence number each;
// the oldest give way and are counted as dropped. Answers that leave (or never will) after their
// message was recorded are noted on its record.
//
// The msgPro worker appends whole batches and notes late answers (both in queue order, so a late
// answer always finds its message, unless it has given way); readers on any thread take rows
// by sequence number under the same short lock. Nothing here links Qt: a station without a window
// keeps records too.
#pragma once

#include <cstdint>
#include <deque>
#include <mutex>
#include <unordered_map>
#include <utility>
#include <vector>

#include "record/message_record.h"

namespace corvane {

class MessageRecords {
  public:
    static constexpr std::size_t kDefaultCapacity = 100'000;
    static constexpr std::size_t kDefaultByteLimit = 256ULL * 1024 * 1024;
    static constexpr std::size_t kMinByteLimit = 1024 * 1024;

    explicit MessageRecords(std::size_t capacity = kDefaultCapacity,
                            std::size_t byteLimit = kDefaultByteLimit);

    // Keeps the newest min(size, capacity) records; a capacity of 0 counts as 1.
    void setCapacity(std::size_t capacity);
    std::size_t capacity() const;
    // Keeps the newest records that fit in `bytes` (at least kMinByteLimit); the newest record
    // always stays.
    void setByteLimit(std::size_t bytes);
    std::size_t byteLimit() const;
    // Forgets every record; sequence numbers go on.
    void clear();

    // ---- the msgPro worker -------------------------------------------------------------------
    // Moves every record of `batch` in as the newest (and empties it), numbering each.
    void append(std::vector<MessageRecord>& batch);
    // An answer that left (or never will) after its message was recorded: the message is the
    // `index`th (from 0) of its connection. Ignored when the record has given way. Returns the
    // record's sequence number, 0 when it is no longer held.
    std::uint64_t recordAnswer(std::uint64_t connection, std::uint64_t index, const Reply& reply,
                               std::string bytes);

    // ---- readers (any thread) ------------------------------------------------------------------
    // Sequence numbers held: [first, next). first == next when empty.
    struct Span {
        std::uint64_t first = 1;
        std::uint64_t next = 1;
        std::uint64_t size() const { return next - first; }
    };
    Span span() const;
    // What the records hold and what they gave way: bytes held (records and their text), and
    // records dropped to keep within the limits since the start.
    struct Usage {
        std::size_t bytes = 0;
        std::uint64_t dropped = 0;
    };
    Usage usage() const;
    // Calls f(const MessageRecord&) for the record `sequence`; false when it is not held.
    template <class F>
    bool visit(std::uint64_t sequence, F&& f) const {
        std::lock_guard lock(m_mutex);
        const MessageRecord* record = find(sequence);
        if (record == nullptr) {
            return false;
        }
        f(*record);
        return true;
    }
    // Calls f for each held record with a sequence in [from, to), in order, under one lock.
    template <class F>
    void visitRange(std::uint64_t from, std::uint64_t to, F&& f) const {
        std::lock_guard lock(m_mutex);
        from = std::max(from, m_first);
        to = std::min(to, m_first + m_records.size());
        for (std::uint64_t s = from; s < to; ++s) {
            f(*find(s));
        }
    }
    // Copies of at most `max` records from `from` on (for exports, taken in chunks).
    std::vector<MessageRecord> copyRange(std::uint64_t from, std::size_t max) const;

  private:
    const MessageRecord* find(std::uint64_t sequence) const;
    MessageRecord* find(std::uint64_t sequence);
    // Drops the oldest records until both limits hold (the newest stays).
    void keepWithinLimits();

    mutable std::mutex m_mutex;           // guards everything below
    std::deque<MessageRecord> m_records;  // oldest first: sequence m_first + i at i
    std::size_t m_capacity;
    std::size_t m_byteLimit;
    std::size_t m_bytes = 0;  // recordBytes() of every held record
    std::uint64_t m_dropped = 0;
    std::uint64_t m_first = 1;  // sequence of the oldest held record
    // Records whose answer still waits, per connection, in order: (index on it, sequence).
    std::unordered_map<std::uint64_t, std::deque<std::pair<std::uint64_t, std::uint64_t>>>
        m_waiting;
};

}  // namespace corvane
