#include "dc09/key_table.h"

#include <openssl/crypto.h>

#include <cctype>
#include <fstream>
#include <iterator>

namespace corvane::dc09 {

namespace {

constexpr std::size_t kMaxAccountDigits = 16;
constexpr std::size_t kMaxFileBytes = 1024 * 1024;

std::string upper(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return out;
}

std::string_view trimmed(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
    while (!text.empty() && blank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && blank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

Unexpected<Failure> failed(std::size_t line, const std::string& why) {
    return fail("read", "keys", "line " + std::to_string(line) + ": " + why);
}

}  // namespace

bool KeyTable::validAccount(std::string_view account) {
    if (account == kAnyAccount) {
        return true;
    }
    if (account.empty() || account.size() > kMaxAccountDigits) {
        return false;
    }
    for (const char c : account) {
        if (!std::isxdigit(static_cast<unsigned char>(c))) {
            return false;
        }
    }
    return true;
}

bool KeyTable::set(std::string_view account, const Key& key) {
    if (!validAccount(account) || key.size() == 0) {
        return false;
    }
    m_keys.insert_or_assign(upper(account), key);
    return true;
}

void KeyTable::remove(std::string_view account) {
    m_keys.erase(upper(account));
}

const Key* KeyTable::find(std::string_view account) const {
    if (m_keys.empty()) {
        return nullptr;
    }
    if (account.size() <= kMaxAccountDigits) {
        char buffer[kMaxAccountDigits];
        for (std::size_t i = 0; i < account.size(); ++i) {
            buffer[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(account[i])));
        }
        const auto own = m_keys.find(std::string(buffer, account.size()));
        if (own != m_keys.end()) {
            return &own->second;
        }
    }
    const auto any = m_keys.find(std::string(kAnyAccount));
    return any == m_keys.end() ? nullptr : &any->second;
}

Result<KeyTable> readKeyText(std::string_view text) {
    KeyTable table;
    std::size_t number = 0;
    while (!text.empty()) {
        ++number;
        const std::size_t end = text.find('\n');
        const std::string_view line =
            trimmed(text.substr(0, end == std::string_view::npos ? text.size() : end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (line.empty() || line.front() == '#') {
            continue;
        }
        const std::size_t comma = line.find(',');
        if (comma == std::string_view::npos) {
            return failed(number, "expected account,key");
        }
        const std::string_view account = trimmed(line.substr(0, comma));
        if (!KeyTable::validAccount(account)) {
            return failed(number, "the account is 1 to 16 hexadecimal digits, or *");
        }
        const Result<Key> key = readKey(trimmed(line.substr(comma + 1)));
        if (!key) {
            return failed(number, key.error().why);
        }
        table.set(account, *key);
    }
    return table;
}

Result<KeyTable> readKeyFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        return fail("read", path, "cannot open " + path);
    }
    std::string text;
    text.resize(kMaxFileBytes + 1);
    file.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(file.gcount()));
    Result<KeyTable> table =
        text.size() > kMaxFileBytes
            ? fail("read", path, path + " is larger than 1 MiB: not a keys file")
        : text.find('\0') != std::string::npos ? fail("read", path, path + " is not a text file")
                                               : readKeyText(text);
    OPENSSL_cleanse(text.data(), text.size());
    return table;
}

}  // namespace corvane::dc09
