#include "receiver/dc09_crypto.h"

#include <openssl/evp.h>
#include <openssl/rand.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace corvane::sim {

namespace {

constexpr std::size_t kBlock = 16;
constexpr long kStampSlackSeconds = 2;

// Fetched once: an implicit fetch on every use would cost more than the cipher work.
const EVP_CIPHER* cipherFor(std::size_t size) {
    static EVP_CIPHER* const aes128 = EVP_CIPHER_fetch(nullptr, "AES-128-CBC", nullptr);
    static EVP_CIPHER* const aes192 = EVP_CIPHER_fetch(nullptr, "AES-192-CBC", nullptr);
    static EVP_CIPHER* const aes256 = EVP_CIPHER_fetch(nullptr, "AES-256-CBC", nullptr);
    return size == 16 ? aes128 : size == 24 ? aes192 : size == 32 ? aes256 : nullptr;
}

// AES-CBC, zero IV, no padding; nullopt on any failure.
std::optional<std::string> crypt(const std::string& key, std::string_view in, bool encrypt) {
    const EVP_CIPHER* cipher = cipherFor(key.size());
    if (cipher == nullptr || in.size() % kBlock != 0) {
        return std::nullopt;
    }
    std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)> ctx(EVP_CIPHER_CTX_new(),
                                                                        &EVP_CIPHER_CTX_free);
    const unsigned char iv[kBlock] = {};
    std::string out(in.size() + kBlock, '\0');
    int n = 0;
    int last = 0;
    auto* target = reinterpret_cast<unsigned char*>(out.data());
    if (!ctx ||
        EVP_CipherInit_ex(ctx.get(), cipher, nullptr,
                          reinterpret_cast<const unsigned char*>(key.data()), iv,
                          encrypt ? 1 : 0) != 1 ||
        EVP_CIPHER_CTX_set_padding(ctx.get(), 0) != 1 ||
        EVP_CipherUpdate(ctx.get(), target, &n, reinterpret_cast<const unsigned char*>(in.data()),
                         static_cast<int>(in.size())) != 1 ||
        EVP_CipherFinal_ex(ctx.get(), target + n, &last) != 1) {
        return std::nullopt;
    }
    out.resize(static_cast<std::size_t>(n + last));
    return out;
}

int hexDigit(char c) {
    return c >= '0' && c <= '9'   ? c - '0'
           : c >= 'A' && c <= 'F' ? c - 'A' + 10
           : c >= 'a' && c <= 'f' ? c - 'a' + 10
                                  : -1;
}

std::optional<std::string> fromHex(std::string_view hex) {
    if (hex.size() % 2 != 0) {
        return std::nullopt;
    }
    std::string bytes;
    for (std::size_t i = 0; i < hex.size(); i += 2) {
        const int high = hexDigit(hex[i]);
        const int low = hexDigit(hex[i + 1]);
        if (high < 0 || low < 0) {
            return std::nullopt;
        }
        bytes.push_back(static_cast<char>(high * 16 + low));
    }
    return bytes;
}

std::string toHex(std::string_view bytes) {
    std::string hex;
    for (const char c : bytes) {
        char digits[4];
        std::snprintf(digits, sizeof digits, "%02X", static_cast<unsigned char>(c));
        hex += digits;
    }
    return hex;
}

// One random byte from a pool drawn a kilobyte at a time: a call to RAND_bytes costs
// microseconds whatever its size. Nullopt if the generator fails.
std::optional<unsigned char> randomByte() {
    thread_local unsigned char pool[1024];
    thread_local std::size_t used = sizeof pool;
    if (used == sizeof pool) {
        if (RAND_bytes(pool, static_cast<int>(sizeof pool)) != 1) {
            return std::nullopt;
        }
        used = 0;
    }
    return pool[used++];
}

bool padByte(unsigned char c) {
    return c != '|' && c != '[' && c != ']';
}

std::string padOf(std::size_t size, Pad pad) {
    if (pad == Pad::Nul || pad == Pad::Zero) {
        return std::string(size, pad == Pad::Nul ? '\0' : '0');
    }
    std::string bytes;
    while (bytes.size() < size) {
        const auto r = randomByte();
        if (!r) {
            return std::string(size, 'p');
        }
        const auto c = pad == Pad::Printable ? static_cast<unsigned char>(0x21 + *r % 94) : *r;
        if (padByte(c)) {
            bytes.push_back(static_cast<char>(c));
        }
    }
    return bytes;
}

// "HH:MM:SS,MM-DD-YYYY": digits where digits belong, the separators in place.
bool stampShaped(std::string_view stamp) {
    constexpr std::string_view kShape = "00:00:00,00-00-0000";
    for (std::size_t i = 0; i < kShape.size(); ++i) {
        const bool digit = stamp[i] >= '0' && stamp[i] <= '9';
        if (kShape[i] == '0' ? !digit : stamp[i] != kShape[i]) {
            return false;
        }
    }
    return true;
}

std::optional<std::string> readKeyText(const std::string& text) {
    if (text.rfind("text:", 0) == 0) {
        const std::string rest = text.substr(5);
        return cipherFor(rest.size()) != nullptr ? std::optional(rest) : std::nullopt;
    }
    if (text.size() == 32 || text.size() == 48 || text.size() == 64) {
        if (auto bytes = fromHex(text)) {
            return bytes;
        }
    }
    return cipherFor(text.size()) != nullptr ? std::optional(text) : std::nullopt;
}

}  // namespace

std::string SimKeys::forAccount(const std::string& number) const {
    const auto own = account.find(number);
    return own != account.end() ? own->second : any;
}

bool addSimKey(const std::string& option, SimKeys& keys) {
    const auto equals = option.find('=');
    const auto key = readKeyText(equals == std::string::npos ? option : option.substr(equals + 1));
    if (!key || equals == 0) {
        return false;
    }
    if (equals == std::string::npos) {
        keys.any = *key;
    } else {
        keys.account[option.substr(0, equals)] = *key;
    }
    return true;
}

std::string simTimeStamp(std::time_t utc) {
    std::tm t{};
    gmtime_r(&utc, &t);
    char text[64];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d,%02d-%02d-%04d", t.tm_hour, t.tm_min, t.tm_sec,
                  t.tm_mon + 1, t.tm_mday, t.tm_year + 1900);
    return text;
}

std::string encryptedBody(std::string_view token, std::string_view header, std::string_view data,
                          const std::string& key, std::time_t now, Pad pad) {
    const std::string tail = "|" + std::string(data) + "_" + simTimeStamp(now);
    std::string plain = padOf(kBlock - tail.size() % kBlock, pad) + tail;
    const auto cipher = crypt(key, plain, true);
    return "\"*" + std::string(token) + "\"" + std::string(header) + "[" +
           (cipher ? toHex(*cipher) : std::string("encryption failed"));
}

std::optional<ClearText> readClearText(std::string_view plain, std::string& why) {
    constexpr std::size_t kStampSize = 19;  // HH:MM:SS,MM-DD-YYYY
    const std::size_t bar = plain.find('|');
    if (bar == std::string_view::npos || bar == 0) {
        why = bar == 0 ? "no pad before the \"|\"" : "no \"|\" after the pad";
        return std::nullopt;
    }
    ClearText clear;
    clear.pad = plain.substr(0, bar);
    if (clear.pad.find_first_of("[]") != std::string_view::npos) {
        why = "the pad holds \"[\" or \"]\"";
        return std::nullopt;
    }
    std::string_view rest = plain.substr(bar + 1);
    if (rest.size() < kStampSize + 2 || rest[rest.size() - kStampSize - 1] != '_' ||
        !stampShaped(rest.substr(rest.size() - kStampSize))) {
        why = "no \"_HH:MM:SS,MM-DD-YYYY\" time stamp at the end";
        return std::nullopt;
    }
    clear.stamp = rest.substr(rest.size() - kStampSize);
    rest.remove_suffix(kStampSize + 1);
    const std::size_t close = rest.find(']');
    if (close == std::string_view::npos ||
        rest.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos) {
        why = close == std::string_view::npos ? "the data block has no \"]\""
                                              : "CR, LF or NUL in the data";
        return std::nullopt;
    }
    clear.data = rest.substr(0, close);
    clear.extended = rest.substr(close + 1);
    // Extended data: blocks "[...]" one after the other, nothing between them.
    for (std::string_view blocks = clear.extended; !blocks.empty();) {
        const std::size_t end = blocks.find(']');
        if (blocks.front() != '[' || end == std::string_view::npos) {
            why = "extended data that is not \"[...]\" blocks";
            return std::nullopt;
        }
        blocks.remove_prefix(end + 1);
    }
    return clear;
}

std::string checkEncryptedAckBody(std::string_view body, std::string_view header,
                                  const std::string& key, std::time_t now) {
    const std::string head = "\"*ACK\"" + std::string(header) + "[";
    if (body.substr(0, head.size()) != head) {
        return "expected an encrypted ACK starting " + head;
    }
    const auto cipher = fromHex(body.substr(head.size()));
    if (!cipher || cipher->empty() || cipher->size() % kBlock != 0) {
        return "cipher text is not hexadecimal whole blocks";
    }
    const auto plain = crypt(key, *cipher, false);
    if (!plain) {
        return "cannot decrypt the ACK";
    }
    std::string why;
    const auto clear = readClearText(*plain, why);
    if (!clear) {
        return "ACK clear text: " + why;
    }
    if (!clear->data.empty()) {
        return "ACK data block is not empty";
    }
    std::tm t{};
    const std::string stamp(clear->stamp);
    if (std::sscanf(stamp.c_str(), "%2d:%2d:%2d,%2d-%2d-%4d", &t.tm_hour, &t.tm_min, &t.tm_sec,
                    &t.tm_mon, &t.tm_mday, &t.tm_year) == 6) {
        t.tm_mon -= 1;
        t.tm_year -= 1900;
        if (std::labs(static_cast<long>(timegm(&t) - now)) <= kStampSlackSeconds) {
            return "";
        }
    }
    return "ACK time stamp " + stamp + " is not within 2 s of now";
}

}  // namespace corvane::sim
