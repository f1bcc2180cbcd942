#include "receiver/dc09_crypto.h"

#include <openssl/evp.h>
#include <openssl/rand.h>

#include <array>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
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

using Context = std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)>;

// Contexts keyed once per key and thread: keying costs more than the cipher work on a short frame,
// so each later use only resets the IV. A run has a key per account at most; a few entries per
// thread, the oldest making room for a new key.
class KeyedContexts {
  public:
    // A context for `key` in the direction asked, its IV back to zero; null when OpenSSL fails.
    EVP_CIPHER_CTX* get(const std::string& key, bool encrypt) {
        Entry* entry = find(key);
        if (entry == nullptr) {
            entry = &m_entries[m_next];
            m_next = (m_next + 1) % m_entries.size();
            *entry = Entry{key};
        }
        Context& context = encrypt ? entry->encrypt : entry->decrypt;
        const unsigned char iv[kBlock] = {};
        if (context) {
            return EVP_CipherInit_ex(context.get(), nullptr, nullptr, nullptr, iv, -1) == 1
                       ? context.get()
                       : nullptr;
        }
        context.reset(EVP_CIPHER_CTX_new());
        if (!context ||
            EVP_CipherInit_ex(context.get(), cipherFor(key.size()), nullptr,
                              reinterpret_cast<const unsigned char*>(key.data()), iv,
                              encrypt ? 1 : 0) != 1 ||
            EVP_CIPHER_CTX_set_padding(context.get(), 0) != 1) {
            context.reset();
        }
        return context.get();
    }

  private:
    struct Entry {
        std::string key;
        Context encrypt{nullptr, &EVP_CIPHER_CTX_free};
        Context decrypt{nullptr, &EVP_CIPHER_CTX_free};
    };

    Entry* find(const std::string& key) {
        for (Entry& entry : m_entries) {
            if (!entry.key.empty() && entry.key == key) {
                return &entry;
            }
        }
        return nullptr;
    }

    std::array<Entry, 4> m_entries;
    std::size_t m_next = 0;
};

// AES-CBC, zero IV, no padding, from `in` into `out`; false on any failure.
bool crypt(const std::string& key, std::string_view in, bool encrypt, std::string& out) {
    if (cipherFor(key.size()) == nullptr || in.size() % kBlock != 0 ||
        in.size() > static_cast<std::size_t>(std::numeric_limits<int>::max())) {
        return false;
    }
    thread_local KeyedContexts contexts;
    EVP_CIPHER_CTX* const context = contexts.get(key, encrypt);
    out.resize(in.size() + kBlock);
    auto* target = reinterpret_cast<unsigned char*>(out.data());
    int n = 0;
    int last = 0;
    if (context == nullptr ||
        EVP_CipherUpdate(context, target, &n, reinterpret_cast<const unsigned char*>(in.data()),
                         static_cast<int>(in.size())) != 1 ||
        EVP_CipherFinal_ex(context, target + n, &last) != 1) {
        return false;
    }
    out.resize(static_cast<std::size_t>(n + last));
    return true;
}

// The stamp of `now`, formatted once a second per thread.
const std::string& stampOf(std::time_t now) {
    thread_local std::time_t stampedAt = -1;
    thread_local std::string stamp;
    if (now != stampedAt || stamp.empty()) {
        stamp = simTimeStamp(now);
        stampedAt = now;
    }
    return stamp;
}

// The value of each byte as a hexadecimal digit, -1 for none: a look-up instead of branches that
// random cipher text digits would mispredict.
constexpr std::array<std::int8_t, 256> kHexValues = [] {
    std::array<std::int8_t, 256> values{};
    for (int c = 0; c < 256; ++c) {
        values[static_cast<std::size_t>(c)] =
            static_cast<std::int8_t>(c >= '0' && c <= '9'   ? c - '0'
                                     : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                     : c >= 'a' && c <= 'f' ? c - 'a' + 10
                                                            : -1);
    }
    return values;
}();

int hexDigit(char c) {
    return kHexValues[static_cast<unsigned char>(c)];
}

// The bytes that `hex` spells, into `bytes`; false when it is no whole run of hex digit pairs.
bool fromHex(std::string_view hex, std::string& bytes) {
    if (hex.size() % 2 != 0) {
        return false;
    }
    bytes.resize(hex.size() / 2);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const int high = hexDigit(hex[2 * i]);
        const int low = hexDigit(hex[2 * i + 1]);
        if ((high | low) < 0) {
            return false;
        }
        bytes[i] = static_cast<char>(high * 16 + low);
    }
    return true;
}

void appendHex(std::string_view bytes, std::string& out) {
    constexpr char kDigits[] = "0123456789ABCDEF";
    std::size_t at = out.size();
    out.resize(at + 2 * bytes.size());
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        out[at++] = kDigits[byte >> 4];
        out[at++] = kDigits[byte & 15U];
    }
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

// Seconds since the epoch of a shaped stamp. A field beyond its range carries over as timegm()
// carries it (month 00 is December of the year before, hour 24 the next day), so a stamp reads
// the same whatever its fields hold.
std::int64_t stampSeconds(std::string_view stamp) {
    const auto number = [stamp](std::size_t at, std::size_t digits) {
        int value = 0;
        for (const char c : stamp.substr(at, digits)) {
            value = value * 10 + (c - '0');
        }
        return value;
    };
    const int monthIndex = number(9, 2) - 1;  // -1..98
    const int years = monthIndex < 0 ? -1 : monthIndex / 12;
    using namespace std::chrono;
    const sys_days first =
        year_month_day{year{number(15, 4) + years},
                       month{static_cast<unsigned>(monthIndex - 12 * years + 1)}, day{1}};
    return duration_cast<seconds>(first.time_since_epoch()).count() +
           (number(12, 2) - 1) * std::int64_t{86400} + number(0, 2) * 3600 + number(3, 2) * 60 +
           number(6, 2);
}

std::optional<std::string> readKeyText(const std::string& text) {
    if (text.rfind("text:", 0) == 0) {
        const std::string rest = text.substr(5);
        return cipherFor(rest.size()) != nullptr ? std::optional(rest) : std::nullopt;
    }
    if (text.size() == 32 || text.size() == 48 || text.size() == 64) {
        if (std::string bytes; fromHex(text, bytes)) {
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
    const std::string& stamp = stampOf(now);
    const std::size_t tail = 1 + data.size() + 1 + stamp.size();  // "|", data, "_", stamp
    std::string plain = padOf(kBlock - tail % kBlock, pad);
    plain.reserve(plain.size() + tail);
    plain.push_back('|');
    plain.append(data);
    plain.push_back('_');
    plain.append(stamp);
    std::string body;
    body.reserve(4 + token.size() + header.size() + 2 * plain.size());
    body.append("\"*").append(token).append("\"").append(header).push_back('[');
    std::string cipher;
    if (crypt(key, plain, true, cipher)) {
        appendHex(cipher, body);
    } else {
        body.append("encryption failed");
    }
    return body;
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
    constexpr std::string_view kWord = "\"*ACK\"";
    const std::size_t open = kWord.size() + header.size();
    if (body.size() <= open || body.substr(0, kWord.size()) != kWord ||
        body.substr(kWord.size(), header.size()) != header || body[open] != '[') {
        return "expected an encrypted ACK starting " + std::string(kWord) + std::string(header) +
               "[";
    }
    std::string cipher;
    if (!fromHex(body.substr(open + 1), cipher) || cipher.empty() || cipher.size() % kBlock != 0) {
        return "cipher text is not hexadecimal whole blocks";
    }
    std::string plain;
    if (!crypt(key, cipher, false, plain)) {
        return "cannot decrypt the ACK";
    }
    std::string why;
    const auto clear = readClearText(plain, why);
    if (!clear) {
        return "ACK clear text: " + why;
    }
    if (!clear->data.empty()) {
        return "ACK data block is not empty";
    }
    if (std::labs(static_cast<long>(stampSeconds(clear->stamp) - now)) <= kStampSlackSeconds) {
        return "";
    }
    return "ACK time stamp " + std::string(clear->stamp) + " is not within 2 s of now";
}

}  // namespace corvane::sim
