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

bool restampNak(Reply& reply, std::time_t now) {
    if (reply.word != AnswerWord::Nak || reply.protocol != Protocol::SiaDcs || reply.encrypted ||
        reply.tail.size() != kTimeStampSize + 1 || reply.tail.front() != '_') {
        return false;
    }
    writeTimeStamp(now, reply.tail.data() + 1);
    return true;
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
    // Pad, "|]_" and the stamp: whole blocks, built and encrypted in place (this runs on the
    // receiving thread for every encrypted frame).
    constexpr std::size_t kTail = 3 + kTimeStampSize;
    constexpr std::size_t kPad = kBlock - kTail % kBlock;
    constexpr std::size_t kPlain = kPad + kTail;
    std::array<unsigned char, kPlain> plain{};
    std::array<unsigned char, kPlain + kAesBlock> cipher{};
    char* const text = reinterpret_cast<char*>(plain.data());
    if (!fillPad(text, kPad)) {
        return std::nullopt;
    }
    std::memcpy(text + kPad, "|]_", 3);
    writeTimeStamp(now, text + kPad + 3);
    if (!aesCbcEncrypt(key, plain.data(), kPlain, cipher.data())) {
        return std::nullopt;
    }
    Reply reply;
    reply.protocol = Protocol::SiaDcs;
    reply.word = AnswerWord::Ack;
    reply.encrypted = true;
    reply.longFrame = true;
    reply.text.assign(replyCopiedText(message));
    reply.tail.resize(2 * kPlain);
    for (std::size_t i = 0; i < kPlain; ++i) {
        reply.tail[2 * i] = kHexDigits[cipher[i] >> 4];
        reply.tail[2 * i + 1] = kHexDigits[cipher[i] & 0xFU];
    }
    return reply;
}

}  // namespace corvane::dc09
