#include "protocol/dc09_frame.h"

#include <algorithm>
#include <cstring>

#include "protocol/crc16.h"
#include "protocol/delimited_text.h"

namespace corvane {

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";
constexpr std::size_t kMaxLongBody = 0xFFF;  // what a 3-digit length field can say

// Upper-case hexadecimal with exactly `digits` digits (the value always fits).
void writeHex(char* out, unsigned value, int digits) {
    for (int i = digits - 1; i >= 0; --i) {
        out[i] = kHexDigits[value & 0xFU];
        value >>= 4;
    }
}

// Any other quoted ID token at the start of the body ("ADM-CID", "*SIA-DCS", ...): the answer
// names the message the same way. The opening mark lies within the first 10 bytes (LF, CRC and
// length before it), the closing one within 32 bytes after it.
std::string_view copiedAfterAnyToken(std::string_view message, std::size_t bracket) {
    const std::size_t open = message.find('"');
    if (open == std::string_view::npos || open >= 10) {
        return {};
    }
    const std::size_t close = message.find('"', open + 1);
    if (close == std::string_view::npos || close - open > 33 || close == open + 1 ||
        bracket == close + 1) {
        return {};
    }
    return textFromTo(message, close + 1, bracket);
}

// The copied text stops before any CR or LF: a frame without "[" would otherwise lend the answer
// its closing CR, and a receiver that splits answers at CR would read two broken frames.
std::string_view withoutLineEnd(std::string_view copied) {
    return copied.substr(0, findAnyOf(copied, 0, '\r', '\n'));
}

}  // namespace

std::string_view replyCopiedText(std::string_view message) {
    const std::size_t bracket = message.find('[');
    bool tokenFound = false;
    for (const std::string_view token : {kSiaDcsToken, kNullToken}) {
        const std::size_t at = message.find(token);
        if (at == std::string_view::npos) {
            continue;
        }
        tokenFound = true;
        const std::size_t end = at + token.size();
        // A "[" right after the token leaves nothing to copy: the next token gets its chance.
        if (bracket == end) {
            continue;
        }
        return withoutLineEnd(textFromTo(message, end, bracket));
    }
    return tokenFound ? std::string_view() : withoutLineEnd(copiedAfterAnyToken(message, bracket));
}

void buildReplyFrame(std::string_view word, std::string_view copied, ReplyFrame& frame,
                     std::string_view suffix) {
    const std::size_t room = ReplyFrame::kMaxBody - (word.size() + 2) - 2 - suffix.size();
    if (copied.size() > room) {
        copied = copied.substr(0, room);
    }

    // The body goes straight to its place after LF, CRC and length.
    char* const body = frame.bytes + 9;
    char* out = body;
    *out++ = '"';
    std::memcpy(out, word.data(), word.size());
    out += word.size();
    *out++ = '"';
    // An empty copied text may have no data pointer at all, which memcpy must not be given.
    if (!copied.empty()) {
        std::memcpy(out, copied.data(), copied.size());
        out += copied.size();
    }
    *out++ = '[';
    *out++ = ']';
    if (!suffix.empty()) {
        std::memcpy(out, suffix.data(), suffix.size());
        out += suffix.size();
    }
    const auto bodyLength = static_cast<std::size_t>(out - body);

    frame.bytes[0] = '\n';
    writeHex(frame.bytes + 1, crc16({body, bodyLength}), 4);
    frame.bytes[5] = '0';
    writeHex(frame.bytes + 6, static_cast<unsigned>(bodyLength), 3);
    *out++ = '\r';
    *out = '\0';
    frame.size = static_cast<std::size_t>(out - frame.bytes);
}

namespace {

// A frame built as LF, 8 placeholder bytes, body and CR gets its CRC and length in place.
std::string sealed(std::string frame) {
    const std::string_view body = std::string_view(frame).substr(9, frame.size() - 10);
    writeHex(frame.data() + 1, crc16(body), 4);
    frame[5] = '0';
    writeHex(frame.data() + 6, static_cast<unsigned>(body.size()), 3);
    return frame;
}

// LF and the placeholders, with room for a body of `bodySize` bytes and the CR.
std::string frameStart(std::size_t bodySize) {
    std::string frame;
    frame.reserve(bodySize + ReplyFrame::kOverhead);
    frame.append("\n00000000");
    return frame;
}

}  // namespace

std::string frameAround(std::string_view body) {
    std::string frame = frameStart(body.size());
    frame.append(body).push_back('\r');
    return sealed(std::move(frame));
}

std::string longReplyFrame(std::string_view word, std::string_view copied,
                           std::string_view suffix) {
    const std::size_t size =
        std::min(word.size() + copied.size() + suffix.size() + 4, kMaxLongBody);
    std::string frame = frameStart(size);
    frame.append("\"").append(word).append("\"").append(copied).append("[]").append(suffix);
    frame.resize(9 + size);  // a body too long for the length field is cut at its end
    frame.push_back('\r');
    return sealed(std::move(frame));
}

std::string encryptedFrame(std::string_view word, std::string_view copied,
                           std::string_view cipherHex) {
    const std::size_t fixed = word.size() + 4 + cipherHex.size();  // "*WORD" quoted, "[", the hex
    copied = copied.substr(0, kMaxLongBody - std::min(fixed, kMaxLongBody));
    std::string frame = frameStart(fixed + copied.size());
    frame.append("\"*").append(word).append("\"").append(copied).append("[").append(cipherHex);
    frame.push_back('\r');
    return sealed(std::move(frame));
}

}  // namespace corvane
