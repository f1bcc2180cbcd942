#include "dc09/dc09_key.h"

#include <openssl/crypto.h>

#include <cstring>

#include "protocol/hex_digit.h"

namespace corvane::dc09 {

namespace {

constexpr std::string_view kTextPrefix = "text:";

bool validSize(std::size_t size) {
    return size == 16 || size == 24 || size == 32;
}

bool printable(std::string_view text) {
    for (const char c : text) {
        if (c < 0x20 || c > 0x7E) {
            return false;
        }
    }
    return true;
}

Unexpected<Failure> refuse(std::string why) {
    return fail("read", "key", std::move(why));
}

Result<Key> textKey(std::string_view text) {
    if (!validSize(text.size())) {
        return refuse("A text key has 16, 24 or 32 characters (this one has " +
                      std::to_string(text.size()) + ").");
    }
    if (!printable(text)) {
        return refuse("A text key holds only printable ASCII characters.");
    }
    return *makeKey(reinterpret_cast<const unsigned char*>(text.data()), text.size(),
                    Key::Form::Text);
}

}  // namespace

Key::Key(const Key& other) : m_size(other.m_size), m_form(other.m_form) {
    std::memcpy(m_bytes.data(), other.m_bytes.data(), m_bytes.size());
}

Key& Key::operator=(const Key& other) {
    if (this != &other) {
        std::memcpy(m_bytes.data(), other.m_bytes.data(), m_bytes.size());
        m_size = other.m_size;
        m_form = other.m_form;
    }
    return *this;
}

Key::~Key() {
    OPENSSL_cleanse(m_bytes.data(), m_bytes.size());
}

std::string Key::describe() const {
    return std::string(m_form == Form::Hex ? "hex" : "text") + ", AES-" +
           std::to_string(m_size * 8);
}

std::optional<Key> makeKey(const unsigned char* bytes, std::size_t size, Key::Form form) {
    if (!validSize(size)) {
        return std::nullopt;
    }
    Key key;
    std::memcpy(key.m_bytes.data(), bytes, size);
    key.m_size = size;
    key.m_form = form;
    return key;
}

Result<Key> readKey(std::string_view typed) {
    if (typed.substr(0, kTextPrefix.size()) == kTextPrefix) {
        return textKey(typed.substr(kTextPrefix.size()));
    }
    const std::size_t digits = typed.size();
    if ((digits == 32 || digits == 48 || digits == 64) && allHex(typed)) {
        std::array<unsigned char, 32> bytes{};
        for (std::size_t i = 0; i < digits / 2; ++i) {
            bytes[i] = static_cast<unsigned char>(hexDigitValue(typed[2 * i]) * 16 +
                                                  hexDigitValue(typed[2 * i + 1]));
        }
        Result<Key> key = *makeKey(bytes.data(), digits / 2, Key::Form::Hex);
        OPENSSL_cleanse(bytes.data(), bytes.size());
        return key;
    }
    if (validSize(digits)) {
        return textKey(typed);
    }
    return refuse(
        "A key is 32, 48 or 64 hexadecimal digits, or 16, 24 or 32 characters of text "
        "(this one has " +
        std::to_string(digits) + " characters).");
}

}  // namespace corvane::dc09
