#include "server_harness.h"

#include <dirent.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <thread>

#include "link/peer_set.h"
#include "platform/quillet.h"
#include "support/fast_timeouts.h"

namespace corvane::test {

bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(2ms);
    }
    return true;
}

int freePort() {
    const Vexo_Socket socket = Vexo_CreateSocket(2, 1, 0);
    Vexo_Addr address;
    Vexo_MakeIPv4Addr(&address, "127.0.0.1", 0);
    int port = -1;
    if (Vexo_Bind(socket, &address) == 0) {
        port = Vexo_LocalPort(socket);
    }
    Vexo_CloseSocket(socket, 0);
    return port;
}

int openDescriptorCount() {
    int count = 0;
    if (DIR* dir = opendir("/proc/self/fd")) {
        while (readdir(dir) != nullptr) {
            ++count;
        }
        closedir(dir);
    }
    return count;
}

int descriptorBaseline() {
    QUILLET(2, "test::descriptorBaseline", "counting open descriptors");
    return openDescriptorCount();
}

ServerHarness::ServerHarness(std::string protocol) {
    Station& s = m_core.station();
    s.m_protocol = protocolNamed(protocol);
    s.m_mode = LinkMode::Server;
    s.m_timeouts = fastTimeouts();
    m_window.attach(&m_core.log());
}

ServerHarness::~ServerHarness() {
    stop();
}

bool ServerHarness::start() {
    for (int attempt = 0; attempt < 5; ++attempt) {
        if (startOn(freePort())) {
            return true;
        }
    }
    return false;
}

bool ServerHarness::startOn(int port) {
    m_core.station().m_port = port;
    return m_core.server().startServer() && m_core.server().startSelectThread();
}

void ServerHarness::stop() {
    m_core.server().stopThreads();
    m_core.server().closeListening();
}

std::vector<ReceivedMessage> ServerHarness::items() {
    for (ReceivedMessage& item : m_core.queue().takeAll()) {
        m_taken.push_back(std::move(item));
    }
    return m_taken;
}

std::vector<std::string> ServerHarness::queued() {
    std::vector<std::string> raw;
    for (const ReceivedMessage& item : items()) {
        if (item.event == ReceivedMessage::Event::Message) {
            raw.push_back(item.raw);
        }
    }
    return raw;
}

std::vector<Reply> ServerHarness::replies() {
    std::vector<Reply> out;
    for (const ReceivedMessage& item : items()) {
        if (item.event == ReceivedMessage::Event::Message) {
            out.push_back(item.reply);
        }
    }
    return out;
}

bool ServerHarness::waitForQueued(std::size_t count, std::chrono::milliseconds timeout) {
    return waitUntil([&] { return queued().size() >= count; }, timeout);
}

bool ServerHarness::waitForPeers(std::uint32_t count, std::chrono::milliseconds timeout) {
    return waitUntil([&] { return g_peerSet.count() == count; }, timeout);
}

int ServerHarness::logCount(std::string_view text) {
    const std::string log = m_core.log().logText();
    int count = 0;
    for (auto at = log.find(text); at != std::string::npos; at = log.find(text, at + 1)) {
        ++count;
    }
    return count;
}

TestReceiver::TestReceiver(int port, int receiveBuffer) {
    Vexo_Addr address;
    Vexo_MakeIPv4Addr(&address, "127.0.0.1", static_cast<std::uint16_t>(port));
    if (receiveBuffer <= 0) {
        m_socket = Vexo_Connect(&address, 10000);
        return;
    }
    // The buffer must be small before the handshake, so connect by hand.
    const Vexo_Socket socket = Vexo_CreateSocket(2, 1, 0);
    ::setsockopt(static_cast<int>(socket), SOL_SOCKET, SO_RCVBUF, &receiveBuffer,
                 sizeof receiveBuffer);
    sockaddr_in in{};
    static_assert(sizeof in <= sizeof address.bytes);
    std::memcpy(&in, address.bytes, sizeof in);
    if (::connect(static_cast<int>(socket), reinterpret_cast<const sockaddr*>(&in), sizeof in) !=
        0) {
        Vexo_CloseSocket(socket, 0);
        return;
    }
    m_socket = socket;
}

TestReceiver::~TestReceiver() {
    close();
}

bool TestReceiver::send(std::string_view bytes, int timeoutMs) {
    return Vexo_Sendn(m_socket, bytes.data(), static_cast<int>(bytes.size()), timeoutMs) ==
           static_cast<int>(bytes.size());
}

std::string TestReceiver::receive(std::size_t count, std::chrono::milliseconds timeout) {
    std::string got;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    char buffer[65536];
    while (got.size() < count) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            break;
        }
        const auto want = std::min(sizeof buffer, count - got.size());
        const int n = Vexo_RecvWithTimeOut(m_socket, buffer, static_cast<int>(want),
                                           static_cast<int>(left.count()));
        if (n <= 0) {
            break;
        }
        got.append(buffer, static_cast<std::size_t>(n));
    }
    return got;
}

bool TestReceiver::waitForClose(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    char buffer[65536];
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            return false;
        }
        if (Vexo_RecvWithTimeOut(m_socket, buffer, sizeof buffer, static_cast<int>(left.count())) <
            0) {
            return true;
        }
    }
}

void TestReceiver::close(bool reset) {
    if (m_socket == Vexo_InvalidSocket) {
        return;
    }
    if (reset) {
        const linger abort{1, 0};
        ::setsockopt(static_cast<int>(m_socket), SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
        ::close(static_cast<int>(m_socket));  // no shutdown first: that would send a FIN
    } else {
        Vexo_CloseSocket(m_socket, 0);
    }
    m_socket = Vexo_InvalidSocket;
}

}  // namespace corvane::test
