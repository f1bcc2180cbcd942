// What the receiving thread learnt of one DC-09 frame while it chose the answer, handed on to the
// msgPro worker with the message so the worker need not decrypt again.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace corvane {

struct Dc09Reading {
    enum class Outcome : std::uint8_t {
        Plain,          // not encrypted (or not SIA-DCS at all)
        Decrypted,      // `text` holds the frame as if it had been sent in the clear
        NoKey,          // encrypted, but no key for `account`
        Undecryptable,  // encrypted, and the cipher text or its plain text has no sense
    };
    Outcome outcome = Outcome::Plain;
    std::string text;           // with Decrypted: token without "*", header, "[", decrypted content
    std::size_t clearAt = 0;    // with Decrypted: where the decrypted content starts in `text`
    std::string account;        // the frame's "#" field, for the log line of NoKey
    bool stampOutside = false;  // the time stamp lay outside the window: a NAK was sent

    bool encrypted() const { return outcome != Outcome::Plain; }
    // The clear text of a decrypted frame: data block, extended data and time stamp, without the
    // pad. Empty for any other outcome.
    std::string_view clearText() const {
        return outcome == Outcome::Decrypted ? std::string_view(text).substr(clearAt)
                                             : std::string_view();
    }
};

}  // namespace corvane
