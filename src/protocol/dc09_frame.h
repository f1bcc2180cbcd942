// DC-09 framing for SIA-DCS: the ID tokens, and the ACK and NACK frames that answer a received
// message, written as "\n%4.4X0%3.3X%s\r" (LF, CRC of the body, "0", body length, body, CR).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace corvane {

inline constexpr std::string_view kSiaDcsToken = "\"SIA-DCS\"";
inline constexpr std::string_view kNullToken = "\"NULL\"";

// A reply frame built in a fixed buffer: at most 255 bytes, so its body is at most 245.
struct ReplyFrame {
    static constexpr std::size_t kCapacity = 256;
    static constexpr std::size_t kMaxFrame = kCapacity - 1;
    static constexpr std::size_t kOverhead = 10;  // LF, 4 CRC digits, "0", 3 length digits, CR
    static constexpr std::size_t kMaxBody = kMaxFrame - kOverhead;

    char bytes[kCapacity];
    std::size_t size = 0;

    std::string_view view() const { return {bytes, size}; }
};

// The text of `message` between its ID token and its first "[" that an answer copies, so the
// answer names the message it answers; empty when the message has no usable token. It stops
// before any CR or LF.
std::string_view replyCopiedText(std::string_view message);

// Builds the frame whose body is `word` in quotation marks, `copied` (the copied text of the
// message it answers) and "[]". A copied text too long for the frame is cut at its end. A
// `suffix` (NAK's time stamp) follows the "[]" inside the body.
void buildReplyFrame(std::string_view word, std::string_view copied, ReplyFrame& frame,
                     std::string_view suffix = {});

// LF, CRC of the body (4 upper-case hex digits), "0", body length (3 digits), body, CR.
std::string frameAround(std::string_view body);
// The DC-09 settings' frames, up to 4095 body bytes: `word` quoted, `copied`, "[]", `suffix`.
std::string longReplyFrame(std::string_view word, std::string_view copied, std::string_view suffix);
// An encrypted answer: "*" and `word` quoted, `copied`, "[" and the cipher text in hexadecimal.
std::string encryptedFrame(std::string_view word, std::string_view copied,
                           std::string_view cipherHex);

}  // namespace corvane
