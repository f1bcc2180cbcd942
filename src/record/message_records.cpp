#include "record/message_records.h"

#include <algorithm>

namespace corvane {

MessageRecords::MessageRecords(std::size_t capacity)
    : m_capacity(std::max<std::size_t>(capacity, 1)) {
    // Growing the vector would move every record under the lock that readers wait for; the
    // reservation is address space only until records fill it.
    m_slots.reserve(m_capacity);
}

std::size_t MessageRecords::capacity() const {
    std::lock_guard lock(m_mutex);
    return m_capacity;
}

void MessageRecords::setCapacity(std::size_t capacity) {
    capacity = std::max<std::size_t>(capacity, 1);
    std::lock_guard lock(m_mutex);
    const std::uint64_t keepFirst = m_next - std::min<std::uint64_t>(m_next - m_first, capacity);
    std::vector<MessageRecord> kept;
    kept.reserve(static_cast<std::size_t>(m_next - keepFirst));
    for (std::uint64_t s = keepFirst; s < m_next; ++s) {
        kept.push_back(std::move(*find(s)));
    }
    // Slot i holds sequence s where s % capacity == i once the ring is full; lay them out so.
    m_slots.clear();
    m_capacity = capacity;
    m_first = keepFirst;
    if (kept.size() == capacity) {
        m_slots.resize(capacity);
        for (MessageRecord& r : kept) {
            const std::uint64_t s = r.sequence;
            m_slots[static_cast<std::size_t>(s % capacity)] = std::move(r);
        }
    } else {
        m_slots = std::move(kept);
        m_slots.reserve(capacity);
    }
}

void MessageRecords::clear() {
    std::lock_guard lock(m_mutex);
    m_slots.clear();
    m_first = m_next;
}

// While the ring is filling, slot i holds sequence m_first + i; once full, sequence s sits in
// slot s % capacity. setCapacity keeps to the same rule.
const MessageRecord* MessageRecords::find(std::uint64_t sequence) const {
    if (sequence < m_first || sequence >= m_next) {
        return nullptr;
    }
    if (m_slots.size() < m_capacity) {
        return &m_slots[static_cast<std::size_t>(sequence - m_first)];
    }
    return &m_slots[static_cast<std::size_t>(sequence % m_capacity)];
}

MessageRecord* MessageRecords::find(std::uint64_t sequence) {
    return const_cast<MessageRecord*>(std::as_const(*this).find(sequence));
}

void MessageRecords::append(std::vector<MessageRecord>& batch) {
    std::lock_guard lock(m_mutex);
    for (MessageRecord& record : batch) {
        record.sequence = m_next;
        if (m_slots.size() < m_capacity) {
            if (m_slots.size() == m_capacity - 1 && m_first % m_capacity != 0) {
                // About to fill: rotate so that sequence s sits in slot s % capacity.
                m_slots.push_back(std::move(record));
                std::rotate(m_slots.begin(),
                            m_slots.begin() +
                                static_cast<std::ptrdiff_t>(m_capacity - m_first % m_capacity),
                            m_slots.end());
            } else {
                m_slots.push_back(std::move(record));
            }
        } else {
            m_slots[static_cast<std::size_t>(m_next % m_capacity)] = std::move(record);
            ++m_first;
        }
        ++m_next;
    }
    batch.clear();
}

MessageRecord* MessageRecords::findOnConnection(std::uint64_t connection, std::uint64_t index) {
    // Late answers concern recent messages: look from the newest back.
    for (std::uint64_t s = m_next; s > m_first; --s) {
        MessageRecord* record = find(s - 1);
        if (record->connection == connection && record->indexOnConnection <= index) {
            return record->indexOnConnection == index ? record : nullptr;
        }
    }
    return nullptr;
}

std::uint64_t MessageRecords::recordAnswer(std::uint64_t connection, std::uint64_t index,
                                           const Reply& reply, std::string bytes) {
    std::lock_guard lock(m_mutex);
    if (MessageRecord* record = findOnConnection(connection, index)) {
        applyAnswer(*record, reply, std::move(bytes));
        return record->sequence;
    }
    return 0;
}

MessageRecords::Span MessageRecords::span() const {
    std::lock_guard lock(m_mutex);
    return {m_first, m_next};
}

std::vector<MessageRecord> MessageRecords::copyRange(std::uint64_t from, std::size_t max) const {
    std::vector<MessageRecord> out;
    std::lock_guard lock(m_mutex);
    from = std::max(from, m_first);
    const std::uint64_t to = std::min<std::uint64_t>(m_next, from + max);
    out.reserve(static_cast<std::size_t>(to > from ? to - from : 0));
    for (std::uint64_t s = from; s < to; ++s) {
        out.push_back(*find(s));
    }
    return out;
}

}  // namespace corvane
