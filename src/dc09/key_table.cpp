#include "dc09/key_table.h"

#include <fcntl.h>
#include <openssl/crypto.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstring>

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
    // Judged before it is opened for reading: opening a FIFO with no writer, or a terminal,
    // would wait for ever. The descriptor is opened without waiting and judged again, in case
    // the name changed hands in between.
    struct stat named {};
    if (::stat(path.c_str(), &named) != 0) {
        return fail("read", path, "cannot open " + path + ": " + std::strerror(errno));
    }
    const auto unfit = [&path](const struct stat& info) -> std::optional<std::string> {
        if (!S_ISREG(info.st_mode)) {
            return path + " is not a regular file: not a keys file";
        }
        if (info.st_size > static_cast<off_t>(kMaxFileBytes)) {
            return path + " is larger than 1 MiB: not a keys file";
        }
        return std::nullopt;
    };
    if (auto why = unfit(named)) {
        return fail("read", path, *why);
    }
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        return fail("read", path, "cannot open " + path + ": " + std::strerror(errno));
    }
    struct stat opened {};
    std::optional<std::string> why = ::fstat(fd, &opened) != 0
                                         ? std::optional(path + ": " + std::strerror(errno))
                                         : unfit(opened);
    std::string text(kMaxFileBytes + 1, '\0');
    std::size_t size = 0;
    while (!why && size < text.size()) {
        const ssize_t got = ::read(fd, text.data() + size, text.size() - size);
        if (got > 0) {
            size += static_cast<std::size_t>(got);
        } else if (got == 0) {
            break;
        } else if (errno != EINTR) {
            why = "cannot read " + path + ": " + std::strerror(errno);
        }
    }
    ::close(fd);
    const std::string_view contents(text.data(), size);
    if (!why && size > kMaxFileBytes) {
        why = path + " is larger than 1 MiB: not a keys file";
    } else if (!why && contents.find('\0') != std::string_view::npos) {
        why = path + " is not a text file";
    }
    Result<KeyTable> table = why ? fail("read", path, *why) : readKeyText(contents);
    OPENSSL_cleanse(text.data(), text.size());
    return table;
}

}  // namespace corvane::dc09
