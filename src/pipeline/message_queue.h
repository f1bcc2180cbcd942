// The message queue between the receiving threads and the msgPro worker: producers append one
// item at a time, the worker takes the whole queue at once. The lock is held for one append or one
// exchange, never while decoding or on a socket.
//
// The queue is bounded in bytes: an item counts from its append until the worker has done with it
// (release). Appending never blocks or drops anything, but once the bytes pass the limit the queue
// is full, and the receiving threads stop reading from the sockets that feed it (TCP pushes back
// on the receivers) until the worker has brought it down to half the limit; then the space signal
// turns readable. A receiving thread that stops reading keeps sending the answers that come due.
#pragma once

#include <atomic>
#include <cstddef>
#include <vector>

#include "pipeline/received_message.h"
#include "platform/vexo.h"

namespace corvane {

class MessageQueue {
  public:
    static constexpr std::size_t kDefaultByteLimit = 64 * 1024 * 1024;

    explicit MessageQueue(std::size_t byteLimit = kDefaultByteLimit);
    ~MessageQueue();
    MessageQueue(const MessageQueue&) = delete;
    MessageQueue& operator=(const MessageQueue&) = delete;

    // Any thread. A message with no bytes is not queued.
    void queueMessage(ReceivedMessage message);
    // The msgPro worker: everything queued so far, oldest first; the queue is empty after it.
    std::vector<ReceivedMessage> takeAll();
    // The msgPro worker: it has done with a taken item (its bytes no longer count).
    void release(const ReceivedMessage& item) { releaseBytes(footprint(item)); }
    void releaseBytes(std::size_t bytes);
    // How many items wait now.
    std::size_t size();

    // Full from passing the limit until the worker brings it down to half of it.
    bool full() const { return m_full.load(); }
    // Bytes of the items appended and not yet released.
    std::size_t bytes() const { return m_bytes.load(std::memory_order_relaxed); }
    // Before the link starts (tests set it low to see the queue fill).
    void setByteLimit(std::size_t limit) { m_byteLimit.store(limit); }
    // A descriptor that turns readable when a full queue has room again; a waiting receiving
    // thread adds it to its wait and drains it with clearSpaceSignal(). -1 when it could not be
    // made (the waits then end by their time limits).
    int spaceSignal() const { return m_spaceFd; }
    void clearSpaceSignal() const;

    // What an item weighs in the queue: the object and what its strings hold on the heap.
    static std::size_t footprint(const ReceivedMessage& item);

  private:
    // Clears a full queue and turns the space signal readable once the bytes are down to half.
    void signalIfRoom();

    std::vector<ReceivedMessage> m_msgList;  // guarded by m_msgListMutex
    Vexo_Mutex m_msgListMutex;
    std::atomic<std::size_t> m_bytes{0};
    std::atomic<std::size_t> m_byteLimit;
    std::atomic<bool> m_full{false};
    int m_spaceFd = -1;
};

}  // namespace corvane
