#include "remote/bearer_token.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <sys/stat.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>

namespace corvane::remote {

namespace {

constexpr std::size_t kMaxFileBytes = 4096;

using Digest = std::array<unsigned char, 32>;

// Both sides are hashed first, so the comparison takes the same time whatever their lengths.
Digest sha256(std::string_view text) {
    Digest digest{};
    unsigned int size = 0;
    EVP_Digest(text.data(), text.size(), digest.data(), &size, EVP_sha256(), nullptr);
    return digest;
}

}  // namespace

Result<std::string> readTokenFile(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) {
        return fail("read", path, std::strerror(errno));
    }
    if (!S_ISREG(status.st_mode) || static_cast<std::size_t>(status.st_size) > kMaxFileBytes) {
        return fail("read", path, "a token file is a regular file of at most 4 KiB");
    }
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        return fail("read", path, std::strerror(errno));
    }
    std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    const auto first = text.find_first_not_of(" \t\r\n");
    const auto last = text.find_last_not_of(" \t\r\n");
    if (first == std::string::npos) {
        return fail("read", path, "the file holds no token");
    }
    std::string token = text.substr(first, last - first + 1);
    for (const char c : token) {
        if (static_cast<unsigned char>(c) <= 0x20 || static_cast<unsigned char>(c) >= 0x7F) {
            return fail("read", path, "the token is one word of printable ASCII characters");
        }
    }
    return token;
}

bool bearerMatches(std::string_view authorization, std::string_view token) {
    constexpr std::string_view kScheme = "Bearer ";
    const bool schemed =
        authorization.size() > kScheme.size() && authorization.substr(0, kScheme.size()) == kScheme;
    const Digest given =
        sha256(schemed ? authorization.substr(kScheme.size()) : std::string_view());
    const Digest wanted = sha256(token);
    return CRYPTO_memcmp(given.data(), wanted.data(), given.size()) == 0 && schemed &&
           !token.empty();
}

}  // namespace corvane::remote
