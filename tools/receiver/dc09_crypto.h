// Encrypted DC-09 as the receiver writes it and checks the station's encrypted ACK, written
// here on OpenSSL independently of the station's own code:
//   frame body: "*TOKEN", the header, "[", the hexadecimal AES-CBC (zero IV) cipher text of:
//               a pad (any bytes but "|", "[" and "]") to a multiple of 16 bytes (16 when it
//               already is one), "|", the data block, "_HH:MM:SS,MM-DD-YYYY";
//   ACK body:   "*ACK", the header, "[", the cipher text of: pad, "|]", "_" and the UTC time.
// The shape of the clear text decides whether it reads, never whether its bytes are printable.
#pragma once

#include <ctime>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace corvane::sim {

// What fills the pad: random bytes 0..255 (as senders in the field do), random visible ASCII,
// NUL bytes, or ASCII "0" characters.
enum class Pad { Binary, Printable, Nul, Zero };

// Raw AES keys: one for any account and one per account (4-digit accounts as the receiver sends).
struct SimKeys {
    std::string any;                             // empty: none
    std::map<std::string, std::string> account;  // account -> key bytes
    bool empty() const { return any.empty() && account.empty(); }
    // The key for `account`; empty when it is sent in the clear.
    std::string forAccount(const std::string& number) const;
};

// "KEY" or "ACCOUNT=KEY"; KEY is 32/48/64 hex digits or 16/24/32 text characters ("text:"
// forces text). False for a key of another form.
bool addSimKey(const std::string& option, SimKeys& keys);

// "HH:MM:SS,MM-DD-YYYY" for a UTC time.
std::string simTimeStamp(std::time_t utc);

// The encrypted frame's body: "*" + token (without quotes), header, "[", cipher text of pad,
// "|", `data` (the data block and extended data) and "_" with the stamp of `now`.
std::string encryptedBody(std::string_view token, std::string_view header, std::string_view data,
                          const std::string& key, std::time_t now, Pad pad = Pad::Binary);

// A decrypted clear text in its parts: the pad before the first "|" (at least one byte, none of
// them "[" or "]"), the data block up to its "]", the extended data blocks "[...]", and the time
// stamp after "_". Data and extended data hold no CR, LF or NUL.
struct ClearText {
    std::string_view pad;
    std::string_view data;  // without its closing "]"
    std::string_view extended;
    std::string_view stamp;  // "HH:MM:SS,MM-DD-YYYY"
};
// nullopt when the text has not that shape, with the reason in `why`.
std::optional<ClearText> readClearText(std::string_view plain, std::string& why);

// Checks an encrypted ACK body against the header it must copy: empty when good, else why.
std::string checkEncryptedAckBody(std::string_view body, std::string_view header,
                                  const std::string& key, std::time_t now);

}  // namespace corvane::sim
