// The client link: connects to the receiver's automation port and, on the msg thread, answers and
// queues every message the receiver sends, framed by the Sur-Gard terminator 0x14.
#include <netinet/in.h>
#include <sys/socket.h>

#include <array>
#include <boost/asio/error.hpp>
#include <boost/asio/ip/address_v4.hpp>
#include <boost/asio/write.hpp>
#include <boost/system/system_error.hpp>
#include <chrono>
#include <exception>
#include <string>
#include <vector>

#include "link/client_stop.h"
#include "link/frame_reader.h"
#include "link/peer_address.h"
#include "link/timed_connect.h"
#include "platform/quillet.h"
#include "record/message_records.h"
#include "station/station.h"

namespace corvane {

namespace {

constexpr std::chrono::milliseconds kConnectTimeout{5000};
constexpr std::size_t kReadChunk = 4096;
constexpr std::size_t kFinalReadSize = 128;

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
    std::uint64_t lostConnection = 0;
    try {
        FrameReader reader(FrameReader::Framing::SurGard);
        const std::uint64_t connection = ++m_connectionSerial;
        const std::string peer = peerAddressText(m_socketFd.load());
        records().noteConnected(connection, peer, utcMicrosecondsNow());
        lostConnection = connection;
        std::array<char, kReadChunk> buffer{};
        std::vector<std::string> messages;
        while (true) {
            boost::system::error_code ec;
            const std::size_t received = m_socket.read_some(boost::asio::buffer(buffer), ec);
            if (ec) {
                failure = boost::system::system_error(ec, "read_until").what();
                break;
            }
            const auto readAt = utcMicrosecondsNow();
            messages.clear();
            const bool fits = reader.feed(std::string_view(buffer.data(), received), messages);
            for (std::string& message : messages) {
                // The receiver waits for its answer: send it before anything else happens.
                const std::string response = makeResponse(message);
                if (!response.empty()) {
                    boost::system::error_code writeError;  // a dead link shows at the next read
                    boost::asio::write(m_socket, boost::asio::buffer(response), writeError);
                }
                ReceivedMessage queued(std::move(message));
                queued.connection = connection;
                queued.peer = peer;
                queued.receivedUs = readAt;
                queued.answer.bytes = response;
                queued.answer.sentUs = response.empty() ? 0 : utcMicrosecondsNow();
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
    } catch (const std::exception& e) {
        failure = e.what();
    }
    if (lostConnection != 0) {
        records().noteLost(lostConnection, utcMicrosecondsNow());
    }
    QUILLET(2, "CCorvaneDlg::MessageProc", "error: %s", failure.c_str());
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
