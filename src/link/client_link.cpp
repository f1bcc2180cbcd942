// The client link: connects to the receiver's automation port and, on the msg thread, answers and
// queues every message the receiver sends, framed by the Sur-Gard terminator 0x14. An answer that
// must wait is kept in a timer queue; the thread waits in poll() for the sooner of new data and
// the due answer, so a stop (which shuts the socket down) ends any wait at once.
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include <array>
#include <boost/asio/error.hpp>
#include <boost/asio/ip/address_v4.hpp>
#include <boost/asio/write.hpp>
#include <boost/system/system_error.hpp>
#include <chrono>
#include <exception>
#include <optional>
#include <string>
#include <vector>

#include "answer/answer_plan.h"
#include "link/answer_queue.h"
#include "link/client_stop.h"
#include "link/frame_reader.h"
#include "link/late_answer.h"
#include "link/peer_address.h"
#include "link/timed_connect.h"
#include "link/unfinished_message.h"
#include "platform/quillet.h"
#include "record/message_records.h"
#include "station/station.h"

namespace corvane {

namespace {

constexpr std::chrono::milliseconds kConnectTimeout{5000};
constexpr std::size_t kReadChunk = 4096;
constexpr std::size_t kFinalReadSize = 128;

// Waits until the socket is readable (or hung up) or `dueUs` (steady clock) has come. A stop
// shuts the socket down, which ends the wait.
void waitForDataOrDue(int fd, std::optional<std::int64_t> dueUs) {
    int timeoutMs = 0;
    if (dueUs) {
        const std::int64_t left = *dueUs - steadyMicrosecondsNow();
        timeoutMs = left <= 0 ? 0 : static_cast<int>((left + 999) / 1000);
    }
    pollfd wanted{fd, POLLIN, 0};
    ::poll(&wanted, 1, timeoutMs);
}

void sendClientAnswer(Station& station, const DueAnswer& due, AnswerQueue& answers) {
    if (!due.plan.bytes.empty()) {
        boost::system::error_code writeError;  // a dead link shows at the next read
        boost::asio::write(station.m_socket, boost::asio::buffer(due.plan.bytes), writeError);
        if (writeError) {
            logNothingSent(due.connection, due.plan, writeError.message().c_str());
        } else {
            logAnswerSent(due, steadyMicrosecondsNow());
            if (due.late) {
                recordLateAnswer(station, due);
            }
        }
    } else {
        logNothingSent(due.connection, due.plan, "the answer is none");
    }
    if (due.plan.closeMs >= 0) {
        DueAnswer close;
        close.readUs = steadyMicrosecondsNow();
        close.connection = due.connection;
        close.closeOnly = true;
        close.plan.delayMs = due.plan.closeMs;
        close.plan.closeMs = due.plan.closeMs;
        answers.push(std::move(close));
    }
}

AnswerNote planClientAnswer(Station& station, const std::string& message, std::uint64_t connection,
                            const std::string& peer, std::int64_t readSteadyUs,
                            answer::ScriptCursor& cursor, bool& closing, AnswerQueue& answers,
                            std::uint64_t messageIndex) {
    AnswerNote note;
    if (closing) {
        note.word = "none";
        return note;
    }
    std::string live;
    Dc09Reading plainOnly;  // the client link speaks Sur-Gard only
    answer::PlannedAnswer plan = answer::planAnswer(station, message, cursor, plainOnly, &live);
    if (plan.step >= 0) {
        station.answerScripts().noteStep(connection, peer, std::move(live));
    }
    closing = plan.closeMs >= 0;
    note = noteOf(plan);
    DueAnswer due;
    due.readUs = readSteadyUs;
    due.connection = connection;
    due.plan = std::move(plan);
    due.messageIndex = messageIndex;
    if (due.plan.delayMs > 0 || answers.pending(connection)) {
        due.late = true;
        answers.push(std::move(due));
        return note;
    }
    sendClientAnswer(station, due, answers);
    note.sentUs = note.bytes.empty() ? 0 : utcMicrosecondsNow();
    return note;
}

}  // namespace

bool Station::connect() {
    boost::system::error_code ec;
    const auto address = boost::asio::ip::address_v4::from_string(m_receiverIp, ec);
    if (!ec) {
        // A msg thread left by a start that failed half-way may still read the old connection:
        // end it before the socket object changes hands.
        endMsgThread(*this);
        closeClientSocket(*this);
        const boost::asio::ip::tcp::endpoint endpoint(address,
                                                      static_cast<unsigned short>(m_port & 0xFFFF));
        connectWithTimeout(m_socket, endpoint, kConnectTimeout, ec);
    }
    if (ec) {
        QUILLET(2, "CCorvaneDlg::connect", "connect failed: %s", ec.message().c_str());
        return false;
    }
    // One-byte answers must leave at once, not wait for Nagle's algorithm.
    boost::system::error_code ignored;
    m_socket.set_option(boost::asio::ip::tcp::no_delay(true), ignored);
    m_socketFd = m_socket.native_handle();
    return true;
}

void Station::MessageProc() {
    std::string failure;
    bool closedByScript = false;
    std::uint64_t lostConnection = 0;
    try {
        AnswerQueue answers;
        answer::ScriptCursor cursor;
        bool closing = false;
        std::uint64_t messagesRead = 0;
        FrameReader reader(FrameReader::Framing::SurGard);
        const std::uint64_t connection = ++m_connectionSerial;
        const std::string peer = peerAddressText(m_socketFd.load());
        records().noteConnected(connection, peer, utcMicrosecondsNow());
        lostConnection = connection;
        std::array<char, kReadChunk> buffer{};
        std::vector<std::string> messages;
        // Sends what is due; false once a CLOSE has come due.
        const auto sendDue = [&] {
            DueAnswer due;
            while (answers.popDue(steadyMicrosecondsNow(), due)) {
                if (due.closeOnly) {
                    return false;
                }
                sendClientAnswer(*this, due, answers);
            }
            return true;
        };
        while (true) {
            // With nothing waiting the read blocks as before; otherwise the wait ends in time
            // for the earliest answer.
            if (!answers.empty()) {
                waitForDataOrDue(m_socketFd.load(), answers.earliestDueUs());
                if (!sendDue()) {
                    closedByScript = true;
                    failure = "closed by the answer script";
                    break;
                }
                pollfd readable{m_socketFd.load(), POLLIN, 0};
                if (::poll(&readable, 1, 0) <= 0) {
                    continue;  // the wait ended for a due answer only
                }
            }
            boost::system::error_code ec;
            const std::size_t received = m_socket.read_some(boost::asio::buffer(buffer), ec);
            if (ec) {
                failure = boost::system::system_error(ec, "read_until").what();
                break;
            }
            const auto readAt = utcMicrosecondsNow();
            const auto readSteadyUs = steadyMicrosecondsNow();
            messages.clear();
            const bool fits = reader.feed(std::string_view(buffer.data(), received), messages);
            for (std::string& message : messages) {
                // The receiver waits for its answer: send it before anything else happens.
                ReceivedMessage queued(std::move(message));
                queued.answer = planClientAnswer(*this, queued.raw, connection, peer, readSteadyUs,
                                                 cursor, closing, answers, messagesRead++);
                queued.connection = connection;
                queued.peer = peer;
                queued.receivedUs = readAt;
                queueMessage(std::move(queued));
            }
            if (!fits) {
                // A receiver that never sends 0x14 must not make the buffer grow without bound.
                failure =
                    boost::system::system_error(boost::asio::error::message_size, "read_until")
                        .what();
                break;
            }
        }
        noteUnfinishedMessage(*this, peer, reader.finish());
    } catch (const std::exception& e) {
        failure = e.what();
    }
    if (lostConnection != 0) {
        records().noteLost(lostConnection, utcMicrosecondsNow());
    }
    QUILLET(2, "CCorvaneDlg::MessageProc", "error: %s", failure.c_str());
    answerScripts().forgetAll();
    if (closedByScript) {
        // The receiver sees the close now; the UI thread's stop releases the socket.
        ::shutdown(m_socketFd.load(), SHUT_RDWR);
    }
    // The link is gone, but the window still shows it connected: the UI thread stops it as
    // Disconnect does (a stop in progress finds nothing left to do). Asked before the last read,
    // which waits on a live, silent socket until that stop shuts it down.
    m_clientLinkEnded = closedByScript ? 2 : 1;
    window().requestLinkCheck();
    std::array<char, kFinalReadSize> discard{};
    boost::system::error_code ignored;
    m_socket.read_some(boost::asio::buffer(discard), ignored);
}

std::intptr_t msgThreadEntry(void* dlg) {
    if (dlg == nullptr) {
        return 0;
    }
    static_cast<Station*>(dlg)->MessageProc();
    return 0;
}

void endMsgThread(Station& station) {
    const int fd = station.m_socketFd.load();
    if (station.m_msgThread != nullptr && fd != -1) {
        ::shutdown(fd, SHUT_RDWR);
    }
    joinThread(station.m_msgThread);
}

void closeClientSocket(Station& station) {
    boost::system::error_code ignored;
    station.m_socket.close(ignored);
    station.m_socketFd = -1;
}

}  // namespace corvane
