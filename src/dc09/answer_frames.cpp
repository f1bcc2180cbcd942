#include "dc09/answer_frames.h"

#include <array>
#include <cstring>

#include "dc09/aes_cbc.h"
#include "dc09/time_stamp.h"
#include "protocol/crc16.h"
#include "protocol/dc09_frame.h"

namespace corvane::dc09 {

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";
constexpr std::size_t kBlock = 16;
constexpr std::size_t kMaxBody = 0xFFF;

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

// Fills in the CRC and the length of a frame built as LF, 8 placeholder bytes, body and CR.
void sealFrame(std::string& frame) {
    const std::string_view body = std::string_view(frame).substr(9, frame.size() - 10);
    std::string head;
    appendHex(head, crc16(body), 4);
    head.push_back('0');
    appendHex(head, static_cast<unsigned>(body.size()), 3);
    frame.replace(1, head.size(), head);
}

}  // namespace

std::string frameAround(std::string_view body) {
    std::string frame;
    frame.reserve(body.size() + 10);
    frame.append("\n00000000");
    frame.append(body);
    frame.push_back('\r');
    sealFrame(frame);
    return frame;
}

std::string nakFrame(std::time_t now) {
    return frameAround("\"NAK\"0000R0L0A0[]_" + formatTimeStamp(now));
}

void restampNak(std::string& answer, std::time_t now) {
    constexpr std::string_view kNak = "\"NAK\"";
    constexpr std::size_t kHead = 9;  // LF, CRC, "0" and the length before the body
    if (answer.size() < kHead + kNak.size() + kTimeStampSize + 2 || answer.front() != '\n' ||
        answer.back() != '\r' || answer.compare(kHead, kNak.size(), kNak) != 0) {
        return;
    }
    const std::size_t stampAt = answer.size() - 1 - kTimeStampSize;
    if (answer[stampAt - 1] != '_' ||
        !parseTimeStamp(std::string_view(answer).substr(stampAt, kTimeStampSize))) {
        return;
    }
    writeTimeStamp(now, answer.data() + stampAt);
    sealFrame(answer);
}

std::string duhFrame(std::string_view message) {
    std::string body = "\"DUH\"";
    body.append(replyCopiedText(message));
    body.append("[]");
    return frameAround(body.substr(0, kMaxBody));
}

std::string encryptedAckFrame(std::string_view message, const Key& key, std::time_t now) {
    // Pad, "|]_" and the stamp: whole blocks, built and encrypted in place (this runs on the
    // receiving thread for every encrypted frame).
    constexpr std::size_t kTail = 3 + kTimeStampSize;
    constexpr std::size_t kPad = kBlock - kTail % kBlock;
    constexpr std::size_t kPlain = kPad + kTail;
    std::array<unsigned char, kPlain> plain{};
    std::array<unsigned char, kPlain + kAesBlock> cipher{};
    char* const text = reinterpret_cast<char*>(plain.data());
    if (!fillPad(text, kPad)) {
        return {};
    }
    std::memcpy(text + kPad, "|]_", 3);
    writeTimeStamp(now, text + kPad + 3);
    if (!aesCbcEncrypt(key, plain.data(), kPlain, cipher.data())) {
        return {};
    }
    constexpr std::size_t kFixed = 7 + 2 * kPlain;  // "*ACK" in quotes, "[" and the hex
    const std::string_view copied = replyCopiedText(message).substr(0, kMaxBody - kFixed);
    std::string frame;
    frame.reserve(10 + kFixed + copied.size());
    frame.append("\n00000000\"*ACK\"");
    frame.append(copied);
    frame.push_back('[');
    for (std::size_t i = 0; i < kPlain; ++i) {
        appendHex(frame, cipher[i], 2);
    }
    frame.push_back('\r');
    sealFrame(frame);
    return frame;
}

}  // namespace corvane::dc09
