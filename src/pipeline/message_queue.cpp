#include "pipeline/message_queue.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdint>
#include <utility>

#include "platform/heap_bytes.h"

namespace corvane {

ReceivedMessage ReceivedMessage::connected(std::uint64_t connection, std::string peer,
                                           std::int64_t us) {
    ReceivedMessage event;
    event.event = Event::Connected;
    event.connection = connection;
    event.peer = std::move(peer);
    event.receivedUs = us;
    return event;
}

ReceivedMessage ReceivedMessage::lost(std::uint64_t connection, std::int64_t us, LinkLoss loss) {
    ReceivedMessage event;
    event.event = Event::Lost;
    event.connection = connection;
    event.receivedUs = us;
    event.loss = loss;
    return event;
}

MessageQueue::MessageQueue(std::size_t byteLimit)
    : m_byteLimit(byteLimit), m_spaceFd(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}

MessageQueue::~MessageQueue() {
    if (m_spaceFd >= 0) {
        ::close(m_spaceFd);
    }
}

std::size_t MessageQueue::footprint(const ReceivedMessage& item) {
    return sizeof(ReceivedMessage) + heapBytes(item.raw) + heapBytes(item.peer) +
           heapBytes(item.answerBytes) + heapBytes(item.reply.text) + heapBytes(item.reply.tail) +
           heapBytes(item.dc09.text) + heapBytes(item.dc09.account) +
           item.unsent.capacity() * sizeof(UnsentAnswer);
}

void MessageQueue::queueMessage(ReceivedMessage message) {
    if (message.event == ReceivedMessage::Event::Message && message.raw.empty()) {
        return;
    }
    // Counted before the worker can see it, so its release never comes first.
    const std::size_t weight = footprint(message);
    const std::size_t total = m_bytes.fetch_add(weight) + weight;
    {
        Vexo_Guard guard(&m_msgListMutex);
        m_msgList.push_back(std::move(message));
    }
    if (total > m_byteLimit.load(std::memory_order_relaxed)) {
        m_full.store(true);
        // The worker may have brought the bytes down between the count and the flag, and seen
        // no full queue to signal: look again.
        signalIfRoom();
    }
}

void MessageQueue::releaseBytes(std::size_t bytes) {
    m_bytes.fetch_sub(bytes);
    signalIfRoom();
}

void MessageQueue::signalIfRoom() {
    if (m_bytes.load() <= m_byteLimit.load(std::memory_order_relaxed) / 2 && m_full.load() &&
        m_full.exchange(false)) {
        const std::uint64_t one = 1;
        if (m_spaceFd >= 0 && ::write(m_spaceFd, &one, sizeof one) < 0) {
            return;  // the counter is already far from zero: the wait ends anyway
        }
    }
}

void MessageQueue::clearSpaceSignal() const {
    std::uint64_t count = 0;
    if (m_spaceFd >= 0 && ::read(m_spaceFd, &count, sizeof count) < 0) {
        count = 0;  // nothing was pending
    }
}

std::vector<ReceivedMessage> MessageQueue::takeAll() {
    // A constant-time swap: producers may append again at once.
    std::vector<ReceivedMessage> batch;
    Vexo_Guard guard(&m_msgListMutex);
    batch.swap(m_msgList);
    return batch;
}

std::size_t MessageQueue::size() {
    Vexo_Guard guard(&m_msgListMutex);
    return m_msgList.size();
}

}  // namespace corvane
