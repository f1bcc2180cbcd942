#include "links_dc09_floor.h"

#include <openssl/evp.h>
#include <sys/socket.h>

#include <array>
#include <ctime>
#include <memory>
#include <string>
#include <string_view>
#include <thread>

#include "protocol/crc16.h"
#include "receiver/dc09_crypto.h"
#include "receiver/receiver_run.h"
#include "receiver/sim_socket.h"

namespace corvane::bench {

namespace {

constexpr std::size_t kBlock = 16;
constexpr char kHex[] = "0123456789ABCDEF";

int hexValue(char c) {
    return c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
}

// LF, CRC, "0", length, body, CR, with the station's table CRC: the peer's framing costs no more
// than a station's.
std::string framed(std::string_view body) {
    std::string out = "\n";
    const unsigned crc = corvane::crc16(body);
    for (const unsigned value : {crc >> 12, crc >> 8, crc >> 4, crc, 0U, unsigned(body.size()) >> 8,
                                 unsigned(body.size()) >> 4, unsigned(body.size())}) {
        out.push_back(kHex[value & 15U]);
    }
    out.append(body);
    out.push_back('\r');
    return out;
}

using Context = std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)>;

// AES-128-CBC with a zero IV and no padding: one context per direction, keyed once, so each
// message costs only the IV reset and the cipher work. The station can do no less.
class Aes {
  public:
    explicit Aes(std::string_view hexKey) {
        std::array<unsigned char, 16> key{};
        for (std::size_t i = 0; i < key.size(); ++i) {
            key[i] = static_cast<unsigned char>(hexValue(hexKey[2 * i]) * 16 +
                                                hexValue(hexKey[2 * i + 1]));
        }
        const unsigned char iv[kBlock] = {};
        for (int encrypt = 0; encrypt < 2; ++encrypt) {
            EVP_CIPHER_CTX* const context = m_contexts[static_cast<std::size_t>(encrypt)].get();
            m_ready = m_ready &&
                      EVP_CipherInit_ex(context, m_cipher, nullptr, key.data(), iv, encrypt) == 1 &&
                      EVP_CIPHER_CTX_set_padding(context, 0) == 1;
        }
    }
    ~Aes() { EVP_CIPHER_free(m_cipher); }
    Aes(const Aes&) = delete;
    Aes& operator=(const Aes&) = delete;

    bool run(bool encrypt, const unsigned char* in, std::size_t size, unsigned char* out) {
        EVP_CIPHER_CTX* const context = m_contexts[encrypt ? 1 : 0].get();
        const unsigned char iv[kBlock] = {};
        int n = 0;
        int last = 0;
        return m_ready && EVP_CipherInit_ex(context, nullptr, nullptr, nullptr, iv, -1) == 1 &&
               EVP_CipherUpdate(context, out, &n, in, static_cast<int>(size)) == 1 &&
               EVP_CipherFinal_ex(context, out + n, &last) == 1;
    }

  private:
    EVP_CIPHER* m_cipher = EVP_CIPHER_fetch(nullptr, "AES-128-CBC", nullptr);
    std::array<Context, 2> m_contexts{Context(EVP_CIPHER_CTX_new(), &EVP_CIPHER_CTX_free),
                                      Context(EVP_CIPHER_CTX_new(), &EVP_CIPHER_CTX_free)};
    bool m_ready = m_cipher != nullptr;
};

// The floor's peer: answers each frame (LF ... CR) with "ACK", the text between the token and
// "[", and "[]"; an encrypted frame is decrypted first and gets an encrypted ACK.
class Dc09Peer {
  public:
    Dc09Peer() : m_aes(kDc09FloorKey) {
        std::string error;
        m_listener = sim::listenTcp("127.0.0.1", 0, error);
        m_port = sim::localPort(m_listener.get());
        m_thread = std::thread([this] { serve(); });
    }
    ~Dc09Peer() { m_thread.join(); }  // ends when the client closes (or after 5 s of silence)
    Dc09Peer(const Dc09Peer&) = delete;
    Dc09Peer& operator=(const Dc09Peer&) = delete;
    std::uint16_t port() const { return m_port; }

  private:
    void serve() {
        std::string error;
        sim::Fd fd = sim::acceptTcp(m_listener.get(), 5000, error);
        if (!fd.valid()) {
            return;
        }
        std::string pending;
        std::array<char, 4096> buffer{};
        while (true) {
            const long got = sim::receiveSome(fd.get(), buffer.data(), buffer.size(), 5000);
            if (got <= 0) {
                return;
            }
            pending.append(buffer.data(), static_cast<std::size_t>(got));
            std::size_t end = 0;
            while ((end = pending.find('\r')) != std::string::npos) {
                const std::string answer = answerTo(std::string_view(pending).substr(0, end));
                pending.erase(0, end + 1);
                if (::send(fd.get(), answer.data(), answer.size(), MSG_NOSIGNAL) !=
                    static_cast<ssize_t>(answer.size())) {
                    return;
                }
            }
        }
    }

    std::string answerTo(std::string_view frame) {
        const std::size_t open = frame.find('"');
        const std::size_t close = frame.find('"', open + 1);
        const std::size_t bracket = frame.find('[', close);
        if (open == std::string_view::npos || close == std::string_view::npos ||
            bracket == std::string_view::npos) {
            return framed("\"NAK\"0000R0L0A0[]");
        }
        const std::string_view header = frame.substr(close + 1, bracket - close - 1);
        if (frame[open + 1] != '*') {
            return framed("\"ACK\"" + std::string(header) + "[]");
        }
        const std::string_view hex = frame.substr(bracket + 1);
        std::array<unsigned char, 2048> cipher{};
        std::array<unsigned char, 2048> plain{};
        const std::size_t size = hex.size() / 2;
        for (std::size_t i = 0; i < size && i < cipher.size(); ++i) {
            cipher[i] =
                static_cast<unsigned char>(hexValue(hex[2 * i]) * 16 + hexValue(hex[2 * i + 1]));
        }
        std::string content = "0123456789|]_" + stamp();
        std::array<unsigned char, 2 * kBlock> sealed{};
        if (size % kBlock != 0 || size > cipher.size() ||
            !m_aes.run(false, cipher.data(), size, plain.data()) ||
            !m_aes.run(true, reinterpret_cast<const unsigned char*>(content.data()), sealed.size(),
                       sealed.data())) {
            return framed("\"NAK\"0000R0L0A0[]");
        }
        std::string body = "\"*ACK\"" + std::string(header) + "[";
        for (const unsigned char b : sealed) {
            body.push_back(kHex[b >> 4]);
            body.push_back(kHex[b & 15]);
        }
        return framed(body);
    }

    // The ACK's time stamp, formatted once a second.
    const std::string& stamp() {
        const std::time_t now = std::time(nullptr);
        if (now != m_stampedAt) {
            m_stampedAt = now;
            m_stamp = sim::simTimeStamp(now);
        }
        return m_stamp;
    }

    Aes m_aes;
    std::time_t m_stampedAt = -1;
    std::string m_stamp;
    sim::Fd m_listener;
    std::uint16_t m_port = 0;
    std::thread m_thread;
};

}  // namespace

Row measureDc09Floor(std::uint64_t messages, bool encrypted) {
    Dc09Peer peer;
    sim::RunOptions o;
    o.protocol = sim::Protocol::SiaDcs;
    o.port = peer.port();
    o.count = messages;
    if (encrypted) {
        sim::addSimKey(kDc09FloorKey, o.keys);
    }
    const sim::RunResult r = sim::runReceiver(o);
    Row row;
    row.name = encrypted ? "floor: simulator vs bare SIA-DCS peer, encrypted"
                         : "floor: simulator vs bare SIA-DCS peer";
    row.messages = r.expected;
    row.rate = r.messagesPerSecond();
    row.median = r.total.latency.median();
    row.p99 = r.total.latency.p99();
    row.versus = Row::Versus::OneFloor;
    row.failed = !r.allGood();
    row.check = row.failed ? "FAIL " + r.error : "OK";
    return row;
}

}  // namespace corvane::bench
