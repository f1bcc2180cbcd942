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
        Undecryptable,  // encrypted, but no whole blocks of hexadecimal, or a clear text that
                        // is no data block with a time stamp (a wrong key)
    };
    Outcome outcome = Outcome::Plain;
    bool stampOutside = false;  // the time stamp lay outside the window: a NAK was sent
    // With Decrypted: token without "*", header, "[", the account field "#acct|" when the
    // decrypted data block leaves it out (taken from the header), decrypted content.
    std::string text;
    std::size_t clearAt = 0;  // with Decrypted: where the decrypted content starts in `text`
    std::string account;      // the frame's "#" field, for the log line of NoKey

    bool encrypted() const { return outcome != Outcome::Plain; }
    // The clear text of a decrypted frame: data block, extended data and time stamp, without the
    // pad. Empty for any other outcome.
    std::string_view clearText() const {
        return outcome == Outcome::Decrypted ? std::string_view(text).substr(clearAt)
                                             : std::string_view();
    }
};

}  // namespace corvane
