// The records of this run: a ring of the newest records (100,000 unless changed) with a sequence
// number each, and the answers sent after their message was recorded.
//
// The msgPro worker appends whole batches and notes late answers (both in queue order, so a late
// answer always finds its message, unless it has left the ring); readers on any thread take rows
// by sequence number under the same short lock. Nothing here links Qt: a station without a window
// keeps records too.
#pragma once

#include <cstdint>
#include <mutex>
#include <utility>
#include <vector>

#include "record/message_record.h"

namespace corvane {

class MessageRecords {
  public:
    static constexpr std::size_t kDefaultCapacity = 100'000;

    explicit MessageRecords(std::size_t capacity = kDefaultCapacity);

    // Keeps the newest min(size, capacity) records; a capacity of 0 counts as 1.
    void setCapacity(std::size_t capacity);
    std::size_t capacity() const;
    // Forgets every record; sequence numbers go on.
    void clear();

    // ---- the msgPro worker -------------------------------------------------------------------
    // Moves every record of `batch` into the ring (and empties it), numbering each.
    void append(std::vector<MessageRecord>& batch);
    // An answer sent after its message was recorded: the message is the `index`th (from 0) of
    // its connection. Ignored when the record has left the ring. Returns the record's sequence
    // number, 0 when it is no longer held.
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
        to = std::min(to, m_next);
        for (std::uint64_t s = from; s < to; ++s) {
            f(*find(s));
        }
    }
    // Copies of at most `max` records from `from` on (for exports, taken in chunks).
    std::vector<MessageRecord> copyRange(std::uint64_t from, std::size_t max) const;

  private:
    const MessageRecord* find(std::uint64_t sequence) const;
    MessageRecord* find(std::uint64_t sequence);
    MessageRecord* findOnConnection(std::uint64_t connection, std::uint64_t index);

    mutable std::mutex m_mutex;          // guards everything below
    std::vector<MessageRecord> m_slots;  // grows to m_capacity, then the oldest is overwritten
    std::size_t m_capacity;
    std::uint64_t m_first = 1;  // sequence of the oldest held record
    std::uint64_t m_next = 1;   // sequence the next record gets
};

}  // namespace corvane
