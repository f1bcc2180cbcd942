#include "dc09/aes_cbc.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/rand.h>

#include <array>
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

// Contexts set up with a key, kept per thread: setting a key costs more than the cipher work on a
// short frame, and a station meets the same few keys again and again, so each use only resets the
// IV. A handful of keys per thread; the oldest entry makes room. The key is kept to recognise it
// (Key wipes its bytes when it goes); freeing a context wipes its key schedule, which happens when
// an entry is reused or the thread ends.
class KeyedContexts {
  public:
    // A context for `key` in the direction asked, its IV reset to zero; null when OpenSSL fails.
    EVP_CIPHER_CTX* get(const Key& key, bool encrypt) {
        Entry* entry = find(key);
        if (entry == nullptr) {
            entry = &m_entries[m_next];
            m_next = (m_next + 1) % m_entries.size();
            *entry = Entry{key, {nullptr, &EVP_CIPHER_CTX_free}, {nullptr, &EVP_CIPHER_CTX_free}};
        }
        CipherContext& context = encrypt ? entry->encrypt : entry->decrypt;
        const unsigned char iv[kBlock] = {};
        if (!context) {
            const EVP_CIPHER* cipher = cipherFor(key);
            context.reset(EVP_CIPHER_CTX_new());
            if (!context || cipher == nullptr ||
                EVP_CipherInit_ex(context.get(), cipher, nullptr, key.data(), iv,
                                  encrypt ? 1 : 0) != 1 ||
                EVP_CIPHER_CTX_set_padding(context.get(), 0) != 1) {
                context.reset();
                return nullptr;
            }
            return context.get();
        }
        return EVP_CipherInit_ex(context.get(), nullptr, nullptr, nullptr, iv, -1) == 1
                   ? context.get()
                   : nullptr;
    }

  private:
    struct Entry {
        Key key;
        CipherContext decrypt{nullptr, &EVP_CIPHER_CTX_free};
        CipherContext encrypt{nullptr, &EVP_CIPHER_CTX_free};
    };

    Entry* find(const Key& key) {
        for (Entry& entry : m_entries) {
            if (entry.key.size() == key.size() && key.size() != 0 &&
                CRYPTO_memcmp(entry.key.data(), key.data(), key.size()) == 0) {
                return &entry;
            }
        }
        return nullptr;
    }

    std::array<Entry, 4> m_entries;
    std::size_t m_next = 0;
};

// One pass of the cipher over `in` (a multiple of 16 bytes) into `out` (room for `size` + 16).
bool run(const Key& key, bool encrypt, const unsigned char* in, std::size_t size,
         unsigned char* out) {
    if (cipherFor(key) == nullptr || size % kBlock != 0 ||
        size > static_cast<std::size_t>(std::numeric_limits<int>::max())) {
        return false;
    }
    thread_local KeyedContexts contexts;
    EVP_CIPHER_CTX* const context = contexts.get(key, encrypt);
    if (context == nullptr) {
        return false;
    }
    int written = 0;
    int last = 0;
    return EVP_CipherUpdate(context, out, &written, in, static_cast<int>(size)) == 1 &&
           EVP_CipherFinal_ex(context, out + written, &last) == 1 &&
           static_cast<std::size_t>(written + last) == size;
}

bool run(const Key& key, bool encrypt, const unsigned char* in, std::size_t size,
         std::string& out) {
    out.resize(size + kBlock);
    const bool done = run(key, encrypt, in, size, reinterpret_cast<unsigned char*>(out.data()));
    out.resize(size);
    return done;
}

}  // namespace

bool aesCbcDecrypt(const Key& key, const unsigned char* cipher, std::size_t size,
                   std::string& plain) {
    return run(key, false, cipher, size, plain);
}

bool aesCbcDecrypt(const Key& key, const unsigned char* cipher, std::size_t size,
                   unsigned char* plain) {
    return run(key, false, cipher, size, plain);
}

bool aesCbcEncrypt(const Key& key, std::string_view plain, std::string& cipher) {
    return run(key, true, reinterpret_cast<const unsigned char*>(plain.data()), plain.size(),
               cipher);
}

bool aesCbcEncrypt(const Key& key, const unsigned char* plain, std::size_t size,
                   unsigned char* cipher) {
    return run(key, true, plain, size, cipher);
}

bool randomBytes(unsigned char* out, std::size_t size) {
    return size <= static_cast<std::size_t>(std::numeric_limits<int>::max()) &&
           RAND_bytes(out, static_cast<int>(size)) == 1;
}

}  // namespace corvane::dc09
