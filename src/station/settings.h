// The operator's settings as the station holds them.
//
// Sharing: the plain members belong to the UI thread (the save transfer and the handlers write
// them), and the threads that read them are started after and joined before they change. What a
// running worker or receiving thread reads while the operator may change it is atomic, and the
// custom response text has its own lock.
#pragma once

#include <atomic>
#include <mutex>
#include <string>

#include "station/choices.h"
#include "station/timeouts.h"

namespace corvane {

class Settings {
  public:
    Protocol m_protocol = Protocol::None;  // set once at start-up, before any thread
    LinkMode m_mode = LinkMode::Client;
    std::string m_receiverIp = "127.0.0.1";  // Client mode: an address or a host name
    // Server mode: the local address to listen on (IPv4 or IPv6); every IPv4 interface by default.
    std::string m_bindAddress = "0.0.0.0";
    int m_port = 1025;              // the links use the low 16 bits
    int m_heartbeatInterval = 300;  // seconds
    Timeouts m_timeouts;

    std::atomic<int> m_linesToSave{1000};
    std::atomic<int> m_showLog{0};  // 0 unchecked, 1 checked
    std::atomic<ResponseMode> m_responseMode{ResponseMode::AckAll};
    std::atomic<ReceiverType> m_receiverType{ReceiverType::Mlr2000};
    // Client mode: connect again this many seconds after a lost link; 0 is off.
    std::atomic<int> m_reconnectSeconds{0};

    std::string customResponse() const {
        std::lock_guard lock(m_customMutex);
        return m_customResponse;
    }
    void setCustomResponse(std::string text) {
        std::lock_guard lock(m_customMutex);
        m_customResponse = std::move(text);
    }

  private:
    mutable std::mutex m_customMutex;
    std::string m_customResponse;
};

}  // namespace corvane
