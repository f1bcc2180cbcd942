// The select thread: waits until receivers have data, reads only those, cuts each one's bytes
// into messages, answers each message (at once, or when its answer is due: server_answers) and
// queues it. A receiver whose connection fails, whose stream overflows the framing limit, or that
// does not take its answers is dropped.
#include <array>
#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "link/frame_reader.h"
#include "link/peer_address.h"
#include "link/peer_set.h"
#include "link/server_answers.h"
#include "link/unfinished_message.h"
#include "record/message_records.h"
#include "station/station.h"

namespace corvane {

namespace {

// Short enough that a receiver accepted while select waits on the earlier set is read promptly
// (its first message must not wait for the previous set's time-out), and a stop is seen quickly.
constexpr long kSelectLimitMicroseconds = 100'000;
constexpr int kReceiveTimeoutMs = 3000;
// While no receiver is connected the thread sleeps on the set instead of spinning.
constexpr std::chrono::milliseconds kIdleWait{100};
// A failing select is retried after a pause, not in a tight loop.
constexpr int kSelectFailurePauseMs = 50;
constexpr std::size_t kReceiveBufferSize = 4096;

class SelectLoop {
  public:
    explicit SelectLoop(Station& station)
        : m_station(station), m_framing(FrameReader::framingFor(station.m_protocol)) {}

    void run() {
        while (!m_station.m_selectStop) {
            sendDueAnswers();
            if (!g_peerSet.waitNonEmpty(kIdleWait)) {
                continue;
            }
            Vexo_FdSet ready = g_peerSet.snapshot();
            const Vexo_Socket wake = g_peerSet.wakeSocket();
            if (wake != Vexo_InvalidSocket && ready.fd_count < Vexo_SetSize) {
                ready.fd_array[ready.fd_count++] = wake;  // a new receiver ends the wait
            }
            // Waits no longer than the earliest answer due.
            const Vexo_TimeVal limit = m_answers.limit(kSelectLimitMicroseconds);
            const int count = Vexo_Select(0, &ready, nullptr, nullptr, &limit);
            if (count <= 0) {
                if (count < 0) {
                    Vexo_Sleep(kSelectFailurePauseMs);
                }
                continue;
            }
            // Only the receivers with data are read: an idle one holds up nobody.
            for (std::uint32_t i = 0; i < ready.fd_count && !m_station.m_selectStop; ++i) {
                if (ready.fd_array[i] == wake) {
                    g_peerSet.clearWake();
                } else if (!serve(ready.fd_array[i])) {
                    drop(ready.fd_array[i]);
                }
            }
        }
        for (auto& entry : m_connections) {  // the stop closes them
            noteUnfinishedMessage(m_station, entry.second.peer, entry.second.reader.finish());
        }
    }

  private:
    void sendDueAnswers() {
        m_lost.clear();
        m_answers.sendDue(m_lost);
        for (const Vexo_Socket socket : m_lost) {
            drop(socket);
        }
    }

    // Reads what one receiver sent and answers every complete message in it. Returns false
    // when the receiver is lost.
    bool serve(Vexo_Socket socket) {
        const int got = Vexo_RecvWithTimeOut(socket, m_buffer.data(),
                                             static_cast<int>(m_buffer.size()), kReceiveTimeoutMs);
        if (got < 0) {
            return false;
        }
        if (got == 0) {
            return true;  // nothing arrived after all: nothing to answer
        }
        const auto readAt = utcMicrosecondsNow();
        const auto readSteadyUs = steadyMicrosecondsNow();
        Connection& connection = connectionFor(socket);
        m_messages.clear();
        const bool withinLimit = connection.reader.feed(
            std::string_view(m_buffer.data(), static_cast<std::size_t>(got)), m_messages);
        for (std::string& message : m_messages) {
            // Messages not yet answered stay unanswered at a stop; the receiver sends them again.
            if (m_station.m_selectStop) {
                return true;
            }
            // Answer first: the receiver is waiting for it. What the DC-09 settings learnt of
            // the frame (its decryption) goes with it, so the worker does not decrypt again.
            AnswerNote note;
            Dc09Reading dc09;
            const bool answered = m_answers.answer(socket, connection.number, connection.peer,
                                                   message, readSteadyUs, note, dc09);
            ReceivedMessage received(std::move(message));
            received.connection = connection.number;
            received.peer = connection.peer;
            received.receivedUs = readAt;
            received.answer = std::move(note);
            received.dc09 = std::move(dc09);
            m_station.queueMessage(std::move(received));
            // A receiver that does not take its answers would hold up all the others.
            if (!answered) {
                return false;
            }
        }
        return withinLimit;
    }

    // What this thread knows of one receiver connection.
    struct Connection {
        FrameReader reader;
        std::uint64_t number;
        std::string peer;
    };

    Connection& connectionFor(Vexo_Socket socket) {
        auto found = m_connections.find(socket);
        if (found == m_connections.end()) {
            found = m_connections
                        .emplace(socket,
                                 Connection{FrameReader(m_framing), ++m_station.m_connectionSerial,
                                            peerAddressText(static_cast<int>(socket))})
                        .first;
            m_station.records().noteConnected(found->second.number, found->second.peer,
                                              utcMicrosecondsNow());
        }
        return found->second;
    }

    void drop(Vexo_Socket socket) {
        m_station.isDisconnect();
        // Forget it as the latest peer before closing: the stop must not close the descriptor
        // number again once the Accept thread may have been given it for a new receiver.
        Vexo_Socket latest = socket;
        m_station.m_peerSocket.compare_exchange_strong(latest, Vexo_InvalidSocket);
        g_peerSet.remove(socket);
        // A new receiver given the same descriptor number starts with a fresh reader.
        if (auto known = m_connections.find(socket); known != m_connections.end()) {
            m_answers.forget(known->second.number);  // its waiting answers go with it
            noteUnfinishedMessage(m_station, known->second.peer, known->second.reader.finish());
            m_station.records().noteLost(known->second.number, utcMicrosecondsNow());
            m_connections.erase(known);
        }
        Vexo_CloseSocket(socket, 0);
    }

    Station& m_station;
    const FrameReader::Framing m_framing;
    std::unordered_map<Vexo_Socket, Connection> m_connections;  // this thread only
    ServerAnswers m_answers{m_station};
    std::vector<Vexo_Socket> m_lost;
    std::vector<std::string> m_messages;
    std::array<char, kReceiveBufferSize> m_buffer{};
};

}  // namespace

std::intptr_t selectThreadEntry(void* dlg) {
    if (dlg == nullptr) {
        return 0;
    }
    SelectLoop(*static_cast<Station*>(dlg)).run();
    return 0;
}

}  // namespace corvane
