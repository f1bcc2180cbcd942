#include "dc09/encrypted_frame.h"

#include <algorithm>
#include <array>

#include "dc09/aes_cbc.h"
#include "dc09/time_stamp.h"
#include "protocol/delimited_text.h"
#include "protocol/hex_digit.h"

namespace corvane::dc09 {

namespace {

constexpr auto npos = std::string_view::npos;
constexpr std::size_t kHeadReach = 10;         // the opening quotation mark lies within these
constexpr std::size_t kMaxTokenSize = 32;      // a closing quotation mark further away is no token
constexpr std::size_t kMaxCipherBytes = 2048;  // a 3-digit length field allows no more

// Pad bytes are any bytes but these three (binary pads are the rule in the field).
bool padOnly(std::string_view pad) {
    return findAnyOf(pad, 0, '|', '[', ']') == npos;
}

// Data and extended data hold any bytes but these, which would break a frame or a log line.
bool cleanBlock(std::string_view block) {
    return findAnyOf(block, 0, '\r', '\n', '\0') == npos;
}

// The data block up to its "]", then any number of extended data blocks "[...]", nothing else.
bool wellFormedBlocks(std::string_view data) {
    std::size_t close = data.find(']');
    if (close == npos || !cleanBlock(data.substr(0, close))) {
        return false;
    }
    data.remove_prefix(close + 1);
    while (!data.empty()) {
        close = data.find(']');
        if (data.front() != '[' || close == npos || !cleanBlock(data.substr(1, close - 1))) {
            return false;
        }
        data.remove_prefix(close + 1);
    }
    return true;
}

// Where the data block starts in `body` (the clear text without its time stamp), nullopt when
// the pad is no pad. With "|", right after the first one, whatever follows; but a sender that
// leaves out the pad's "|" writes the account's own block ("#acct|...") right after the pad, so
// a first "|" preceded by "#" and the frame's account belongs to that block. Without "|", the
// "#" nearest before the first "]", or that "]" alone (an empty block).
std::optional<std::size_t> dataStart(std::string_view body, std::string_view account) {
    const std::size_t bar = body.find('|');
    std::size_t padEnd = 0;
    std::size_t start = 0;
    if (bar != npos) {
        const std::size_t hash = bar - std::min(bar, account.size() + 1);
        if (!account.empty() && bar > account.size() && body[hash] == '#' &&
            body.substr(hash + 1, account.size()) == account) {
            padEnd = start = hash;
        } else {
            padEnd = bar;
            start = bar + 1;
            if (padEnd == 0) {
                return std::nullopt;  // "|" needs a pad before it
            }
        }
    } else {
        const std::size_t close = body.find(']');
        if (close == npos) {
            return std::nullopt;
        }
        const std::size_t hash = body.rfind('#', close);
        padEnd = start = hash == npos ? close : hash;
    }
    if (!padOnly(body.substr(0, padEnd))) {
        return std::nullopt;
    }
    return start;
}

// A data block may leave out its account field ("#acct|"): the frame's "#" field names the
// account then. The decoders read the block with the field, so it is put back in front of such a
// block ("Nri0/RP000]", "|Nri1/CL501]", "1602 00 000]"); an empty block "]" stays as it is.
void appendAccountField(std::string& text, std::string_view data, std::string_view account) {
    if (account.empty() || data.front() == '#' || data.front() == ']') {
        return;
    }
    text.push_back('#');
    text.append(account);
    if (data.front() != '|') {
        text.push_back('|');
    }
}

// The cipher text after "[": hexadecimal up to the CR (and any bytes after it, such as a NUL).
std::string_view cipherHex(std::string_view frame, std::size_t bracket) {
    std::string_view hex = frame.substr(bracket + 1);
    const std::size_t end = findAnyOf(hex, 0, '\r', '\n');
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
    const std::size_t accountEnd = findAnyOf(frame, close, '[', '\r');
    if (hash != npos && (accountEnd == npos || hash < accountEnd)) {
        head.account = frame.substr(hash + 1, accountEnd == npos ? npos : accountEnd - hash - 1);
    }
    return head;
}

std::optional<PlainContent> readPlainContent(std::string_view plain, std::string_view account) {
    if (plain.size() < kTimeStampSize + 2 || plain[plain.size() - kTimeStampSize - 1] != '_') {
        return std::nullopt;
    }
    const auto stamp = parseTimeStamp(plain.substr(plain.size() - kTimeStampSize));
    if (!stamp) {
        return std::nullopt;
    }
    const std::string_view body = plain.substr(0, plain.size() - kTimeStampSize - 1);
    const auto start = dataStart(body, account);
    if (!start || !wellFormedBlocks(body.substr(*start))) {
        return std::nullopt;
    }
    return PlainContent{plain.substr(*start), *stamp};
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
    std::array<unsigned char, kMaxCipherBytes + kAesBlock> clear;  // filled up to the size used
    if (!aesCbcDecrypt(*key, cipher.data(), hex.size() / 2, clear.data())) {
        return;
    }
    const std::string_view plain(reinterpret_cast<const char*>(clear.data()), hex.size() / 2);
    const auto content = readPlainContent(plain, head->account);
    if (content) {
        reading.outcome = Outcome::Decrypted;
        reading.text.clear();
        reading.text.reserve(head->bracket + head->account.size() + content->data.size() + 3);
        reading.text.push_back('"');
        reading.text.append(head->token.substr(1));
        reading.text.append(
            frame.substr(head->afterToken - 1, head->bracket - head->afterToken + 2));
        appendAccountField(reading.text, content->data, head->account);
        reading.clearAt = reading.text.size();
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
