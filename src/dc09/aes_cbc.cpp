#include "dc09/aes_cbc.h"

#include <openssl/evp.h>
#include <openssl/rand.h>

#include <limits>
#include <memory>

namespace corvane::dc09 {

namespace {

constexpr std::size_t kBlock = 16;

using CipherContext = std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)>;

// The ciphers are fetched from the provider once: an implicit fetch on every use costs more than
// the decryption of a short frame. They live as long as the process.
const EVP_CIPHER* cipherFor(const Key& key) {
    static EVP_CIPHER* const aes128 = EVP_CIPHER_fetch(nullptr, "AES-128-CBC", nullptr);
    static EVP_CIPHER* const aes192 = EVP_CIPHER_fetch(nullptr, "AES-192-CBC", nullptr);
    static EVP_CIPHER* const aes256 = EVP_CIPHER_fetch(nullptr, "AES-256-CBC", nullptr);
    switch (key.size()) {
        case 16:
            return aes128;
        case 24:
            return aes192;
        case 32:
            return aes256;
        default:
            return nullptr;
    }
}

// One context per thread, set up afresh for every use.
EVP_CIPHER_CTX* threadContext() {
    thread_local const CipherContext context(EVP_CIPHER_CTX_new(), &EVP_CIPHER_CTX_free);
    return context.get();
}

// One pass of the cipher over `in` (a multiple of 16 bytes) into `out`.
bool run(const Key& key, bool encrypt, const unsigned char* in, std::size_t size,
         std::string& out) {
    const EVP_CIPHER* cipher = cipherFor(key);
    if (cipher == nullptr || size % kBlock != 0 ||
        size > static_cast<std::size_t>(std::numeric_limits<int>::max())) {
        return false;
    }
    EVP_CIPHER_CTX* const context = threadContext();
    if (context == nullptr) {
        return false;
    }
    const unsigned char iv[kBlock] = {};
    if (EVP_CipherInit_ex(context, cipher, nullptr, key.data(), iv, encrypt ? 1 : 0) != 1 ||
        EVP_CIPHER_CTX_set_padding(context, 0) != 1) {
        return false;
    }
    out.resize(size + kBlock);
    auto* const target = reinterpret_cast<unsigned char*>(out.data());
    int written = 0;
    int last = 0;
    if (EVP_CipherUpdate(context, target, &written, in, static_cast<int>(size)) != 1 ||
        EVP_CipherFinal_ex(context, target + written, &last) != 1) {
        return false;
    }
    out.resize(static_cast<std::size_t>(written + last));
    return out.size() == size;
}

}  // namespace

bool aesCbcDecrypt(const Key& key, const unsigned char* cipher, std::size_t size,
                   std::string& plain) {
    return run(key, false, cipher, size, plain);
}

bool aesCbcEncrypt(const Key& key, std::string_view plain, std::string& cipher) {
    return run(key, true, reinterpret_cast<const unsigned char*>(plain.data()), plain.size(),
               cipher);
}

bool randomBytes(unsigned char* out, std::size_t size) {
    return size <= static_cast<std::size_t>(std::numeric_limits<int>::max()) &&
           RAND_bytes(out, static_cast<int>(size)) == 1;
}

}  // namespace corvane::dc09
