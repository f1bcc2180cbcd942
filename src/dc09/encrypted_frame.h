// Encrypted DC-09 frames: the ID token starts with "*" and the text after "[" is the hexadecimal
// cipher text (AES-CBC, zero IV) of: pad bytes (any but "|", "[" and "]"), "|" (left out by some
// devices), the data block up to and including "]", optional extended data blocks "[...]", and
// "_HH:MM:SS,MM-DD-YYYY". The shape of that clear text, not its bytes, tells a right key from a
// wrong one: a wrong key gives random bytes, which end in a valid time stamp by no chance worth
// counting.
#pragma once

#include <ctime>
#include <optional>
#include <string>
#include <string_view>

#include "dc09/dc09_reading.h"
#include "dc09/key_table.h"

namespace corvane::dc09 {

// Where the parts of a frame's head lie: the quoted ID token at the start of the body, the
// account after "#", and the first "[" after the token.
struct FrameHead {
    std::string_view token;    // without its quotation marks, "*SIA-DCS", "ADM-CID", ...
    std::size_t afterToken;    // index just past the closing quotation mark
    std::string_view account;  // the text between "#" and "[", empty when there is no "#"
    std::size_t bracket;       // index of the first "[" after the token (npos when none)
};

// The head of a frame whose body starts with a quoted token (within the first 10 bytes, so
// after LF, CRC and length, or with the LF or the CRC missing); nullopt otherwise.
std::optional<FrameHead> readFrameHead(std::string_view frame);

inline bool encryptedToken(std::string_view token) {
    return !token.empty() && token[0] == '*';
}

// The plain content of a decrypted frame: the part from the data block on, and its time stamp.
struct PlainContent {
    std::string_view data;  // from the data block's first byte to the end of the stamp
    std::time_t stamp;
};

// Reads decrypted bytes: pad, the optional "|", the data block up to "]", extended data blocks,
// "_" and a valid time stamp at the end; data and extended data hold no CR, LF or NUL. `account`
// is the frame's "#" field (it tells the block's own "|" from the pad's). nullopt for any other
// shape.
std::optional<PlainContent> readPlainContent(std::string_view plain, std::string_view account = {});

// Decrypts `frame` with the table's key for its account, filling `reading` (outcome, account,
// text). `key` is set to the key used when the frame was decrypted. `stamp` is set to the
// decrypted time stamp.
void decryptFrame(std::string_view frame, const KeyTable& keys, Dc09Reading& reading,
                  const Key** key = nullptr, std::time_t* stamp = nullptr);

}  // namespace corvane::dc09
