// Sockets of the runtime layer on 127.0.0.1: time-outs, closes, resets, select and reuse.
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "blocked_thread.h"
#include "platform/vexo.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// Closes the socket at the end of the scope unless it was taken.
class OwnedSocket {
  public:
    explicit OwnedSocket(Vexo_Socket s = Vexo_InvalidSocket) : m_sock(s) {}
    ~OwnedSocket() { reset(); }
    OwnedSocket(const OwnedSocket&) = delete;
    OwnedSocket& operator=(const OwnedSocket&) = delete;
    OwnedSocket(OwnedSocket&& other) noexcept : m_sock(other.take()) {}
    OwnedSocket& operator=(OwnedSocket&& other) noexcept {
        if (this != &other) {
            reset();
            m_sock = other.take();
        }
        return *this;
    }
    Vexo_Socket get() const { return m_sock; }
    int fd() const { return static_cast<int>(m_sock); }
    Vexo_Socket take() {
        const Vexo_Socket s = m_sock;
        m_sock = Vexo_InvalidSocket;
        return s;
    }
    void reset() {
        if (m_sock != Vexo_InvalidSocket) {
            Vexo_CloseSocket(take(), 0);
        }
    }

  private:
    Vexo_Socket m_sock;
};

Vexo_Addr loopback(std::uint16_t port) {
    Vexo_Addr addr;
    EXPECT_EQ(Vexo_MakeIPv4Addr(&addr, "127.0.0.1", port), 0);
    return addr;
}

// A listening socket on 127.0.0.1 and the given port (0: an ephemeral one); -1 when bind fails.
OwnedSocket listenOn(std::uint16_t port, bool reuse = true) {
    OwnedSocket sock(Vexo_CreateSocket(2, 1, 0));
    EXPECT_NE(sock.get(), Vexo_InvalidSocket);
    if (reuse) {
        EXPECT_EQ(Vexo_SetReuseAddr(sock.get()), 0);
    }
    const Vexo_Addr addr = loopback(port);
    if (Vexo_Bind(sock.get(), &addr) != 0 || Vexo_Listen(sock.get(), 4) != 0) {
        return OwnedSocket();
    }
    return sock;
}

// A connected pair: `client` from Vexo_Connect, `server` from Vexo_Accept.
struct Pair {
    OwnedSocket listener;
    OwnedSocket client;
    OwnedSocket server;
};

Pair connectedPair() {
    Pair p;
    p.listener = listenOn(0);
    const int port = Vexo_LocalPort(p.listener.get());
    EXPECT_GT(port, 0);
    const Vexo_Addr addr = loopback(static_cast<std::uint16_t>(port));
    p.client = OwnedSocket(Vexo_Connect(&addr, 3000));
    EXPECT_NE(p.client.get(), Vexo_InvalidSocket);
    p.server = OwnedSocket(Vexo_Accept(p.listener.get(), nullptr, 3000));
    EXPECT_NE(p.server.get(), Vexo_InvalidSocket);
    return p;
}

bool optionSet(int fd, int level, int option) {
    int value = 0;
    socklen_t len = sizeof value;
    return ::getsockopt(fd, level, option, &value, &len) == 0 && value != 0;
}

TEST(VexoAddr, MakesTheRecordForDottedDecimalOnly) {
    Vexo_Addr addr;
    ASSERT_EQ(Vexo_MakeIPv4Addr(&addr, "127.0.0.1", 1025), 0);
    const unsigned char expected[28] = {2, 0, 0x04, 0x01, 127, 0, 0, 1};  // family, port, address
    EXPECT_EQ(std::memcmp(addr.bytes, expected, sizeof expected), 0);
    EXPECT_EQ(Vexo_AddrPort(&addr), 1025);
    ASSERT_EQ(Vexo_MakeIPv4Addr(&addr, "0.0.0.0", 65535), 0);
    EXPECT_EQ(Vexo_AddrPort(&addr), 65535);

    for (const char* bad : {"localhost", "1.2.3", "256.0.0.1", "", " 1.2.3.4", "1.2.3.4 ",
                            "1.2.3.4.5", "0x7f.0.0.1", "::1"}) {
        EXPECT_EQ(Vexo_MakeIPv4Addr(&addr, bad, 80), -1) << '"' << bad << '"';
    }
    EXPECT_EQ(Vexo_MakeIPv4Addr(&addr, nullptr, 80), -1);
    EXPECT_EQ(Vexo_MakeIPv4Addr(nullptr, "1.2.3.4", 80), -1);
}

TEST(VexoAddr, TakesIPv4AndIPv6TextsButNoNames) {
    const struct {
        const char* text;
        int family;  // -1: refused
    } cases[] = {{"192.168.1.20", Vexo_FamilyIPv4},
                 {"::", Vexo_FamilyIPv6},
                 {"fd00::20", Vexo_FamilyIPv6},
                 {"::ffff:10.0.0.1", Vexo_FamilyIPv6},
                 {"localhost", -1},
                 {"[::1]", -1},
                 {"fd00::20%eth0", -1},
                 {"", -1}};
    for (const auto& c : cases) {
        Vexo_Addr addr;
        EXPECT_EQ(Vexo_MakeAddr(&addr, c.text, 3061), c.family == -1 ? -1 : 0) << c.text;
        if (c.family != -1) {
            EXPECT_EQ(Vexo_AddrFamily(&addr), c.family) << c.text;
            EXPECT_EQ(Vexo_AddrPort(&addr), 3061) << c.text;
        }
    }
}

TEST(VexoSocket, CreatesIPv4AndIPv6StreamsAndDatagramsClosedOnExec) {
    OwnedSocket stream(Vexo_CreateSocket(2, 1, 0));
    ASSERT_NE(stream.get(), Vexo_InvalidSocket);
    EXPECT_NE(::fcntl(stream.fd(), F_GETFD) & FD_CLOEXEC, 0);
    int type = 0;
    socklen_t len = sizeof type;
    ASSERT_EQ(::getsockopt(stream.fd(), SOL_SOCKET, SO_TYPE, &type, &len), 0);
    EXPECT_EQ(type, SOCK_STREAM);
    OwnedSocket v6(Vexo_CreateSocket(Vexo_FamilyIPv6, 1, 0));
    EXPECT_NE(v6.get(), Vexo_InvalidSocket);
    EXPECT_EQ(Vexo_CreateSocket(1, 1, 0), Vexo_InvalidSocket);
    EXPECT_EQ(Vexo_CreateSocket(2, 5, 0), Vexo_InvalidSocket);
}

TEST(VexoSocket, CallsOnNoSocketFail) {
    char byte = 0;
    EXPECT_EQ(Vexo_CloseSocket(Vexo_InvalidSocket, 0), -1);
    EXPECT_EQ(Vexo_RecvWithTimeOut(Vexo_InvalidSocket, &byte, 1, 10), -1);
    EXPECT_EQ(Vexo_Sendn(Vexo_InvalidSocket, &byte, 1, 10), -1);
    EXPECT_EQ(Vexo_Accept(Vexo_InvalidSocket, nullptr, 10), Vexo_InvalidSocket);
    EXPECT_EQ(Vexo_LocalPort(Vexo_InvalidSocket), -1);
    EXPECT_EQ(Vexo_SetReuseAddr(Vexo_InvalidSocket), -1);
    EXPECT_EQ(Vexo_Connect(nullptr, 10), Vexo_InvalidSocket);
}

TEST(VexoSocket, AcceptTimesOutWithoutAConnection) {
    OwnedSocket listener = listenOn(0);
    const auto start = Clock::now();
    EXPECT_EQ(Vexo_Accept(listener.get(), nullptr, 80), Vexo_InvalidSocket);
    EXPECT_GE(Clock::now() - start, 80ms);
}

TEST(VexoSocket, AcceptFillsThePeerAndBothEndsSendWithoutDelay) {
    OwnedSocket listener = listenOn(0);
    const Vexo_Addr addr = loopback(static_cast<std::uint16_t>(Vexo_LocalPort(listener.get())));
    OwnedSocket client(Vexo_Connect(&addr, 3000));
    ASSERT_NE(client.get(), Vexo_InvalidSocket);
    Vexo_Addr peer;
    peer.bytes[27] = 0xAA;
    OwnedSocket server(Vexo_Accept(listener.get(), &peer, 3000));
    ASSERT_NE(server.get(), Vexo_InvalidSocket);

    const unsigned char family[2] = {2, 0};
    const unsigned char address[4] = {127, 0, 0, 1};
    EXPECT_EQ(std::memcmp(peer.bytes, family, 2), 0);
    EXPECT_EQ(std::memcmp(peer.bytes + 4, address, 4), 0);
    EXPECT_EQ(Vexo_AddrPort(&peer), Vexo_LocalPort(client.get()));
    EXPECT_EQ(peer.bytes[27], 0) << "the record's tail must be zero";

    EXPECT_TRUE(optionSet(server.fd(), IPPROTO_TCP, TCP_NODELAY));
    EXPECT_TRUE(optionSet(client.fd(), IPPROTO_TCP, TCP_NODELAY));
    EXPECT_NE(::fcntl(server.fd(), F_GETFD) & FD_CLOEXEC, 0);
    EXPECT_EQ(::fcntl(client.fd(), F_GETFL) & O_NONBLOCK, 0)
        << "connected socket left non-blocking";
}

TEST(VexoSocket, ListensAcceptsAndConnectsOverIPv6) {
    OwnedSocket listener(Vexo_CreateSocket(Vexo_FamilyIPv6, 1, 0));
    Vexo_Addr any;
    ASSERT_EQ(Vexo_MakeAddr(&any, "::1", 0), 0);
    if (Vexo_Bind(listener.get(), &any) != 0) {
        GTEST_SKIP() << "no IPv6 loopback here";
    }
    ASSERT_EQ(Vexo_Listen(listener.get(), 4), 0);
    Vexo_Addr addr;
    ASSERT_EQ(
        Vexo_MakeAddr(&addr, "::1", static_cast<std::uint16_t>(Vexo_LocalPort(listener.get()))), 0);
    OwnedSocket client(Vexo_Connect(&addr, 3000));
    ASSERT_NE(client.get(), Vexo_InvalidSocket);
    Vexo_Addr peer;
    OwnedSocket server(Vexo_Accept(listener.get(), &peer, 3000));
    ASSERT_NE(server.get(), Vexo_InvalidSocket);
    EXPECT_EQ(Vexo_AddrFamily(&peer), Vexo_FamilyIPv6);
    EXPECT_EQ(Vexo_AddrPort(&peer), Vexo_LocalPort(client.get()));
}

TEST(VexoSocket, ConnectToAClosedPortFails) {
    int port = 0;
    {
        OwnedSocket listener = listenOn(0);
        port = Vexo_LocalPort(listener.get());
    }
    const Vexo_Addr addr = loopback(static_cast<std::uint16_t>(port));
    EXPECT_EQ(Vexo_Connect(&addr, 3000), Vexo_InvalidSocket);
}

TEST(VexoSocket, RecvReturnsDataThenZeroOnTimeOutThenMinusOneOnOrderlyClose) {
    Pair p = connectedPair();
    ASSERT_EQ(Vexo_Sendn(p.client.get(), "abc", 3, 1000), 3);
    char buf[16] = {};
    ASSERT_EQ(Vexo_RecvWithTimeOut(p.server.get(), buf, sizeof buf, 3000), 3);
    EXPECT_EQ(std::string(buf, 3), "abc");

    const auto start = Clock::now();
    EXPECT_EQ(Vexo_RecvWithTimeOut(p.server.get(), buf, sizeof buf, 80), 0);
    EXPECT_GE(Clock::now() - start, 80ms);

    // Data sent before the close still arrives; the close itself reads as -1.
    ASSERT_EQ(Vexo_Sendn(p.client.get(), "z", 1, 1000), 1);
    p.client.reset();
    EXPECT_EQ(Vexo_RecvWithTimeOut(p.server.get(), buf, sizeof buf, 3000), 1);
    EXPECT_EQ(Vexo_RecvWithTimeOut(p.server.get(), buf, sizeof buf, 3000), -1);
    EXPECT_EQ(Vexo_RecvWithTimeOut(p.server.get(), buf, sizeof buf, 3000), -1);
}

TEST(VexoSocket, RecvAfterAResetReturnsMinusOne) {
    Pair p = connectedPair();
    const linger abort{1, 0};  // close() then sends a reset instead of a FIN
    ASSERT_EQ(::setsockopt(p.client.fd(), SOL_SOCKET, SO_LINGER, &abort, sizeof abort), 0);
    ::close(static_cast<int>(p.client.take()));
    char buf[16];
    EXPECT_EQ(Vexo_RecvWithTimeOut(p.server.get(), buf, sizeof buf, 3000), -1);
}

TEST(VexoSocket, SendnDeliversALargeBufferWhole) {
    Pair p = connectedPair();
    std::vector<char> data(8 * 1024 * 1024);
    for (std::size_t i = 0; i < data.size(); ++i) {
        data[i] = static_cast<char>(i * 7 + i / 4096);
    }
    std::vector<char> received;
    std::thread reader([&] {
        std::vector<char> chunk(64 * 1024);
        while (received.size() < data.size()) {
            const int n = Vexo_RecvWithTimeOut(p.server.get(), chunk.data(),
                                               static_cast<int>(chunk.size()), 5000);
            if (n <= 0) {
                return;
            }
            received.insert(received.end(), chunk.begin(), chunk.begin() + n);
        }
    });
    EXPECT_EQ(Vexo_Sendn(p.client.get(), data.data(), static_cast<int>(data.size()), 10000),
              static_cast<int>(data.size()));
    reader.join();
    EXPECT_TRUE(received == data);
}

TEST(VexoSocket, SendnToAPeerThatNeverReadsFailsWhenTheTimeIsUp) {
    Pair p = connectedPair();
    std::vector<char> data(64 * 1024 * 1024, 'x');  // far beyond both socket buffers
    const auto start = Clock::now();
    EXPECT_EQ(Vexo_Sendn(p.client.get(), data.data(), static_cast<int>(data.size()), 200), -1);
    EXPECT_EQ(errno, ETIMEDOUT);
    const auto took = Clock::now() - start;
    EXPECT_GE(took, 200ms);
    EXPECT_LT(took, 10s);
}

TEST(VexoSocket, SendnToAClosedPeerFailsWithoutSignal) {
    Pair p = connectedPair();
    p.server.reset();
    std::vector<char> data(1024 * 1024, 'x');
    // The first bytes may still be taken before the reset comes back; a later send must fail.
    int result = 0;
    for (int i = 0; i < 50 && result != -1; ++i) {
        result = Vexo_Sendn(p.client.get(), data.data(), static_cast<int>(data.size()), 1000);
    }
    EXPECT_EQ(result, -1);
    EXPECT_TRUE(errno == EPIPE || errno == ECONNRESET) << errno;
}

TEST(VexoSelect, KeepsOnlyTheReadySocketsInTheirOrder) {
    Pair a = connectedPair();
    Pair b = connectedPair();
    Pair c = connectedPair();
    ASSERT_EQ(Vexo_Sendn(c.client.get(), "c", 1, 1000), 1);
    ASSERT_EQ(Vexo_Sendn(a.client.get(), "a", 1, 1000), 1);
    const Vexo_TimeVal second{1, 0};
    for (const OwnedSocket* s : {&a.server, &c.server}) {  // wait until both bytes are there
        Vexo_FdSet one;
        one.fd_array[one.fd_count++] = s->get();
        ASSERT_EQ(Vexo_Select(0, &one, nullptr, nullptr, &second), 1);
    }

    Vexo_FdSet set;
    for (const Pair* pair : {&a, &b, &c}) {
        set.fd_array[set.fd_count++] = pair->server.get();
    }
    ASSERT_EQ(Vexo_Select(0, &set, nullptr, nullptr, &second), 2);
    ASSERT_EQ(set.fd_count, 2U);
    EXPECT_EQ(set.fd_array[0], a.server.get());
    EXPECT_EQ(set.fd_array[1], c.server.get());
}

TEST(VexoSelect, TimesOutWithAnEmptiedSetAndWaitsOnAnEmptySet) {
    Pair p = connectedPair();
    Vexo_FdSet set;
    set.fd_array[set.fd_count++] = p.server.get();
    const Vexo_TimeVal shortWait{0, 80000};
    auto start = Clock::now();
    EXPECT_EQ(Vexo_Select(0, &set, nullptr, nullptr, &shortWait), 0);
    EXPECT_GE(Clock::now() - start, 80ms);
    EXPECT_EQ(set.fd_count, 0U);

    Vexo_FdSet empty;
    start = Clock::now();
    EXPECT_EQ(Vexo_Select(0, &empty, nullptr, nullptr, &shortWait), 0);
    EXPECT_GE(Clock::now() - start, 80ms);
}

TEST(VexoSelect, ALostPeerIsReadyAndTheReceiveReportsIt) {
    for (bool reset : {false, true}) {
        Pair p = connectedPair();
        if (reset) {
            const linger abort{1, 0};
            ::setsockopt(p.client.fd(), SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
            ::close(static_cast<int>(p.client.take()));
        } else {
            p.client.reset();
        }
        Vexo_FdSet set;
        set.fd_array[set.fd_count++] = p.server.get();
        const Vexo_TimeVal second{1, 0};
        EXPECT_EQ(Vexo_Select(0, &set, nullptr, nullptr, &second), 1) << "reset " << reset;
        char buf[8];
        EXPECT_EQ(Vexo_RecvWithTimeOut(p.server.get(), buf, sizeof buf, 1000), -1);
    }
}

TEST(VexoSelect, RefusesWriteAndErrorSetsAndOversizedSets) {
    Pair p = connectedPair();
    Vexo_FdSet read;
    read.fd_array[read.fd_count++] = p.server.get();
    Vexo_FdSet write = read;
    const Vexo_TimeVal none{0, 0};
    EXPECT_EQ(Vexo_Select(0, &read, &write, nullptr, &none), -1);
    EXPECT_EQ(Vexo_Select(0, &read, nullptr, &write, &none), -1);
    read.fd_count = Vexo_SetSize + 1;
    EXPECT_EQ(Vexo_Select(0, &read, nullptr, nullptr, &none), -1);
}

TEST(VexoSocket, CloseFromAnotherThreadWakesABlockedRecv) {
    Pair p = connectedPair();
    std::atomic<pid_t> tid{0};
    std::atomic<int> result{99};
    const auto start = Clock::now();
    const Vexo_Socket server = p.server.get();
    std::thread receiver([&] {
        tid = corvane::test::currentThreadId();
        char buf[8];
        result = Vexo_RecvWithTimeOut(server, buf, sizeof buf, 10000);
    });
    while (tid.load() == 0) {
        std::this_thread::yield();
    }
    ASSERT_TRUE(corvane::test::waitUntilSleeping(tid.load(), 5s));
    // Closing a second descriptor of the same socket: the waiting thread never sees its own
    // descriptor closed under it, yet only the shutdown inside the close can wake it.
    Vexo_CloseSocket(::dup(p.server.fd()), 0);
    receiver.join();
    EXPECT_EQ(result.load(), -1);
    EXPECT_LT(Clock::now() - start, 5s) << "the close did not wake the waiting call";
}

TEST(VexoSocket, CloseFromAnotherThreadWakesABlockedAccept) {
    OwnedSocket listener = listenOn(0);
    std::atomic<pid_t> tid{0};
    std::atomic<Vexo_Socket> result{0};
    const auto start = Clock::now();
    const Vexo_Socket listening = listener.get();
    std::thread acceptor([&] {
        tid = corvane::test::currentThreadId();
        result = Vexo_Accept(listening, nullptr, 10000);
    });
    while (tid.load() == 0) {
        std::this_thread::yield();
    }
    ASSERT_TRUE(corvane::test::waitUntilSleeping(tid.load(), 5s));
    Vexo_CloseSocket(::dup(listener.fd()), 0);  // see the test above
    acceptor.join();
    EXPECT_EQ(result.load(), Vexo_InvalidSocket);
    EXPECT_LT(Clock::now() - start, 5s) << "the close did not wake the waiting call";
}

TEST(VexoSocket, ReuseAddrRestartsAServerAtOnceButNotBesideALiveListener) {
    OwnedSocket first = listenOn(0);
    const int port = Vexo_LocalPort(first.get());
    ASSERT_GT(port, 0);
    {
        // One connection that the server side closes first, so the server's end lingers.
        const Vexo_Addr addr = loopback(static_cast<std::uint16_t>(port));
        OwnedSocket client(Vexo_Connect(&addr, 3000));
        OwnedSocket server(Vexo_Accept(first.get(), nullptr, 3000));
        ASSERT_NE(server.get(), Vexo_InvalidSocket);
        server.reset();
        char buf[4];
        EXPECT_EQ(Vexo_RecvWithTimeOut(client.get(), buf, sizeof buf, 3000), -1);
    }
    first.reset();
    const auto p = static_cast<std::uint16_t>(port);

    EXPECT_EQ(listenOn(p, false).get(), Vexo_InvalidSocket)
        << "the old connection should still hold the port";
    OwnedSocket restarted = listenOn(p);
    ASSERT_NE(restarted.get(), Vexo_InvalidSocket) << "restart on the same port refused";
    EXPECT_EQ(listenOn(p).get(), Vexo_InvalidSocket) << "a second live listener was allowed";
}

}  // namespace
