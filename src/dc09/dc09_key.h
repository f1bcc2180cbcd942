// An AES key for encrypted DC-09 frames. It is a secret: the bytes are wiped when the key goes
// away, and there is no way to print or format it. Only its form and size can be shown.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>

#include "platform/result.h"

namespace corvane::dc09 {

class Key {
  public:
    enum class Form { Hex, Text };

    Key() = default;
    Key(const Key& other);
    Key& operator=(const Key& other);
    ~Key();

    // 16, 24 or 32 bytes (AES-128, -192, -256); 0 for an empty key.
    std::size_t size() const { return m_size; }
    Form form() const { return m_form; }
    const unsigned char* data() const { return m_bytes.data(); }
    // "hex, AES-128", "text, AES-256", ...
    std::string describe() const;

    friend std::optional<Key> makeKey(const unsigned char* bytes, std::size_t size, Form form);
    friend std::ostream& operator<<(std::ostream&, const Key&) = delete;

  private:
    std::array<unsigned char, 32> m_bytes{};
    std::size_t m_size = 0;
    Form m_form = Form::Hex;
};

// A key from raw bytes (16, 24 or 32 of them); nullopt for another size.
std::optional<Key> makeKey(const unsigned char* bytes, std::size_t size, Key::Form form);

// 32, 48 or 64 hexadecimal digits, or 16, 24 or 32 characters of text whose bytes are the key.
// 32 hexadecimal digits are read as hexadecimal; a "text:" prefix forces the text form. The
// failure's `why` says what a key must be.
Result<Key> readKey(std::string_view typed);

}  // namespace corvane::dc09
