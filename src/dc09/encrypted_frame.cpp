#include "dc09/encrypted_frame.h"

#include <array>

#include "dc09/aes_cbc.h"
#include "dc09/time_stamp.h"
#include "protocol/hex_digit.h"

namespace corvane::dc09 {

namespace {

constexpr auto npos = std::string_view::npos;
constexpr std::size_t kHeadReach = 10;         // the opening quotation mark lies within these
constexpr std::size_t kMaxTokenSize = 32;      // a closing quotation mark further away is no token
constexpr std::size_t kMaxCipherBytes = 2048;  // a 3-digit length field allows no more

bool padByte(char c) {
    return c >= 0x20 && c <= 0x7E && c != '|' && c != '[' && c != ']';
}

bool padOnly(std::string_view text) {
    for (const char c : text) {
        if (!padByte(c)) {
            return false;
        }
    }
    return true;
}

// The cipher text after "[": hexadecimal up to the CR (and any bytes after it, such as a NUL).
std::string_view cipherHex(std::string_view frame, std::size_t bracket) {
    std::string_view hex = frame.substr(bracket + 1);
    const std::size_t end = hex.find_first_of("\r\n");
    return end == npos ? hex : hex.substr(0, end);
}

}  // namespace

std::optional<FrameHead> readFrameHead(std::string_view frame) {
    const std::size_t open = frame.find('"');
    if (open == npos || open >= kHeadReach) {
        return std::nullopt;
    }
    const std::size_t close = frame.find('"', open + 1);
    if (close == npos || close - open - 1 > kMaxTokenSize || close == open + 1) {
        return std::nullopt;
    }
    FrameHead head{frame.substr(open + 1, close - open - 1), close + 1, {}, frame.find('[', close)};
    const std::size_t hash = frame.find('#', close);
    const std::size_t accountEnd = frame.find_first_of("[\r", close);
    if (hash != npos && (accountEnd == npos || hash < accountEnd)) {
        head.account = frame.substr(hash + 1, accountEnd == npos ? npos : accountEnd - hash - 1);
    }
    return head;
}

std::optional<PlainContent> readPlainContent(std::string_view plain) {
    for (const char c : plain) {
        if (c < 0x20 || c > 0x7E) {
            return std::nullopt;
        }
    }
    if (plain.size() < kTimeStampSize + 2 || plain[plain.size() - kTimeStampSize - 1] != '_') {
        return std::nullopt;
    }
    const auto stamp = parseTimeStamp(plain.substr(plain.size() - kTimeStampSize));
    if (!stamp) {
        return std::nullopt;
    }
    // With "|": the pad ends at the first "|", and the data block follows it. Without it the
    // data block is the account's "#" nearest before the first "]", or that "]" alone.
    std::size_t start = npos;
    const std::size_t bar = plain.find('|');
    if (bar != npos && bar + 1 < plain.size() && (plain[bar + 1] == '#' || plain[bar + 1] == ']') &&
        padOnly(plain.substr(0, bar))) {
        start = bar + 1;
    } else {
        const std::size_t close = plain.find(']');
        if (close == npos) {
            return std::nullopt;
        }
        const std::size_t hash = plain.rfind('#', close);
        start = hash == npos ? close : hash;
        if (!padOnly(plain.substr(0, start))) {
            return std::nullopt;
        }
    }
    const std::string_view data = plain.substr(start);
    if (data.find(']') == npos || data.find(']') > data.size() - kTimeStampSize - 2) {
        return std::nullopt;
    }
    return PlainContent{data, *stamp};
}

void decryptFrame(std::string_view frame, const KeyTable& keys, Dc09Reading& reading,
                  const Key** usedKey, std::time_t* stamp) {
    using Outcome = Dc09Reading::Outcome;
    reading.outcome = Outcome::Plain;
    const auto head = readFrameHead(frame);
    if (!head || !encryptedToken(head->token)) {
        return;
    }
    reading.account.assign(head->account);
    const Key* key = keys.find(head->account);
    if (key == nullptr) {
        reading.outcome = Outcome::NoKey;
        return;
    }
    reading.outcome = Outcome::Undecryptable;
    if (head->bracket == npos) {
        return;
    }
    const std::string_view hex = cipherHex(frame, head->bracket);
    if (hex.empty() || hex.size() % 32 != 0 || hex.size() / 2 > kMaxCipherBytes) {
        return;
    }
    std::array<unsigned char, kMaxCipherBytes> cipher;  // filled up to the size used
    for (std::size_t i = 0; i < hex.size() / 2; ++i) {
        const int high = hexDigitValue(hex[2 * i]);
        const int low = hexDigitValue(hex[2 * i + 1]);
        if (high < 0 || low < 0) {
            return;
        }
        cipher[i] = static_cast<unsigned char>(high * 16 + low);
    }
    std::string plain;
    if (!aesCbcDecrypt(*key, cipher.data(), hex.size() / 2, plain)) {
        return;
    }
    const auto content = readPlainContent(plain);
    if (content) {
        reading.outcome = Outcome::Decrypted;
        reading.text.clear();
        reading.text.reserve(head->bracket + content->data.size() + 1);
        reading.text.push_back('"');
        reading.text.append(head->token.substr(1));
        reading.text.append(
            frame.substr(head->afterToken - 1, head->bracket - head->afterToken + 2));
        reading.text.append(content->data);
        if (usedKey != nullptr) {
            *usedKey = key;
        }
        if (stamp != nullptr) {
            *stamp = content->stamp;
        }
    }
}

}  // namespace corvane::dc09
