// The DC-09 key table: one key per account (the frame's "#" field) and an optional key for any
// other account ("*"). Accounts are compared without regard to the case of their hex digits.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "dc09/dc09_key.h"
#include "platform/result.h"

namespace corvane::dc09 {

inline constexpr std::string_view kAnyAccount = "*";

class KeyTable {
  public:
    // Adds or replaces the key of `account` ("*" for any other). False, with nothing changed, for
    // an account that is not 1 to 16 hexadecimal digits or "*".
    bool set(std::string_view account, const Key& key);
    void remove(std::string_view account);

    // The key for a frame's account, the "*" key when it has none of its own, else null.
    const Key* find(std::string_view account) const;

    bool empty() const { return m_keys.empty(); }
    std::size_t size() const { return m_keys.size(); }
    // Accounts in order ("*" first), each with its key.
    const std::map<std::string, Key>& entries() const { return m_keys; }

    static bool validAccount(std::string_view account);

  private:
    std::map<std::string, Key> m_keys;  // upper-case accounts
};

// Reads the text of a keys file: one "account,key" per line, "*" for any account, blank lines
// and lines starting with "#" ignored; blanks around the account and the key are dropped. A
// complete table, or the failure whose `why` names the line ("line 3: ...").
Result<KeyTable> readKeyText(std::string_view text);
// Reads the file at `path`: a regular file of at most 1 MiB of text, judged before it is opened
// (a FIFO or a device is refused, never waited on); `why` names the file when it is the file
// that cannot be read.
Result<KeyTable> readKeyFile(const std::string& path);

}  // namespace corvane::dc09
