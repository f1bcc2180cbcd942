#include "dc09/answer_frames.h"

#include <array>
#include <cstring>

#include "dc09/aes_cbc.h"
#include "dc09/time_stamp.h"
#include "protocol/dc09_frame.h"

namespace corvane::dc09 {

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";
constexpr std::size_t kBlock = 16;

void appendHex(std::string& out, unsigned value, int digits) {
    for (int i = digits - 1; i >= 0; --i) {
        out.push_back(kHexDigits[(value >> (4 * i)) & 0xFU]);
    }
}

// Random bytes drawn from OpenSSL a kilobyte at a time: one call costs microseconds whatever
// its size, more than all the rest of an encrypted ACK. Each thread has its own store.
bool takeRandom(unsigned char* out, std::size_t size) {
    constexpr std::size_t kStore = 1024;
    thread_local std::array<unsigned char, kStore> store{};
    thread_local std::size_t used = kStore;
    if (used + size > kStore) {
        if (!randomBytes(store.data(), kStore)) {
            return false;
        }
        used = 0;
    }
    std::memcpy(out, store.data() + used, size);
    used += size;
    return true;
}

// Random pad bytes: printable, never "|", "[" or "]".
bool fillPad(char* out, std::size_t size) {
    std::array<unsigned char, kBlock> random{};
    if (!takeRandom(random.data(), size)) {
        return false;
    }
    static constexpr char kPadAlphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    for (std::size_t i = 0; i < size; ++i) {
        out[i] = kPadAlphabet[random[i] % (sizeof kPadAlphabet - 1)];
    }
    return true;
}

}  // namespace

Reply nakReply(std::time_t now) {
    Reply reply;
    reply.protocol = Protocol::SiaDcs;
    reply.word = AnswerWord::Nak;
    reply.text = "0000R0L0A0";
    reply.tail = "_" + formatTimeStamp(now);
    reply.longFrame = true;
    return reply;
}

Reply duhReply(std::string_view message) {
    Reply reply;
    reply.protocol = Protocol::SiaDcs;
    reply.word = AnswerWord::Duh;
    reply.text.assign(replyCopiedText(message));
    reply.longFrame = true;
    return reply;
}

std::optional<Reply> encryptedAckReply(std::string_view message, const Key& key, std::time_t now) {
    const std::string tail = "|]_" + formatTimeStamp(now);
    const std::size_t pad = kBlock - tail.size() % kBlock;
    std::string plain(pad, ' ');
    if (!fillPad(plain.data(), pad)) {
        return std::nullopt;
    }
    plain.append(tail);
    std::string cipher;
    if (!aesCbcEncrypt(key, plain, cipher)) {
        return std::nullopt;
    }
    Reply reply;
    reply.protocol = Protocol::SiaDcs;
    reply.word = AnswerWord::Ack;
    reply.encrypted = true;
    reply.longFrame = true;
    reply.text.assign(replyCopiedText(message));
    reply.tail.reserve(2 * cipher.size());
    for (const char c : cipher) {
        appendHex(reply.tail, static_cast<unsigned char>(c), 2);
    }
    return reply;
}

}  // namespace corvane::dc09
