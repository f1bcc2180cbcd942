// The message queue between the receiving threads and the msgPro worker: producers append one
// item at a time, the worker takes the whole queue at once. The lock is held for one append or one
// exchange, never while decoding or on a socket.
#pragma once

#include <vector>

#include "pipeline/received_message.h"
#include "platform/vexo.h"

namespace corvane {

class MessageQueue {
  public:
    // Any thread. A message with no bytes is not queued.
    void queueMessage(ReceivedMessage message);
    // The msgPro worker: everything queued so far, oldest first; the queue is empty after it.
    std::vector<ReceivedMessage> takeAll();
    // How many items wait now.
    std::size_t size();

  private:
    std::vector<ReceivedMessage> m_msgList;  // guarded by m_msgListMutex
    Vexo_Mutex m_msgListMutex;
};

}  // namespace corvane
