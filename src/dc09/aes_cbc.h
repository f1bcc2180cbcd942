// AES-CBC with a zero IV and no padding, as DC-09 uses it, through OpenSSL's EVP interface; and
// random bytes from OpenSSL. Every call says whether it worked.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "dc09/dc09_key.h"

namespace corvane::dc09 {

// Decrypts `size` bytes (a multiple of 16) into `plain`. False when OpenSSL fails or the size is
// no multiple of 16; `plain` is then unspecified.
[[nodiscard]] bool aesCbcDecrypt(const Key& key, const unsigned char* cipher, std::size_t size,
                                 std::string& plain);
// Encrypts `plain` (a multiple of 16 bytes) into `cipher`.
[[nodiscard]] bool aesCbcEncrypt(const Key& key, std::string_view plain, std::string& cipher);
// The same into buffers with room for `size` + kAesBlock bytes (exactly `size` are written), for
// the receiving thread, which must not allocate per frame.
inline constexpr std::size_t kAesBlock = 16;
[[nodiscard]] bool aesCbcDecrypt(const Key& key, const unsigned char* cipher, std::size_t size,
                                 unsigned char* plain);
[[nodiscard]] bool aesCbcEncrypt(const Key& key, const unsigned char* plain, std::size_t size,
                                 unsigned char* cipher);
// Fills `size` bytes with random bytes from OpenSSL.
[[nodiscard]] bool randomBytes(unsigned char* out, std::size_t size);

}  // namespace corvane::dc09
