#include "pipeline/message_queue.h"

#include <utility>

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

ReceivedMessage ReceivedMessage::lost(std::uint64_t connection, std::int64_t us) {
    ReceivedMessage event;
    event.event = Event::Lost;
    event.connection = connection;
    event.receivedUs = us;
    return event;
}

void MessageQueue::queueMessage(ReceivedMessage message) {
    if (message.event == ReceivedMessage::Event::Message && message.raw.empty()) {
        return;
    }
    Vexo_Guard guard(&m_msgListMutex);
    m_msgList.push_back(std::move(message));
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
