// Cuts one connection's byte stream into messages by the protocol's framing, keeping the bytes
// after the last terminator for the next message:
//   Sur-Gard: everything up to and including 0x14;
//   SIA-DCS:  up to and including CR, from the last LF before it; without an LF since the
//             previous message, from the first byte after it that is not NUL or blank. An LF
//             that comes while a message has no CR yet ends that message and starts the next,
//             unless the message holds nothing but LF, NUL and blanks (the LF of a CR LF ending):
//             such runs between frames are skipped. Skipped bytes are noted in the diagnostic
//             log (see frame_reader_sia.cpp).
// When the connection ends, finish() hands back the bytes of a message still open, for the
// caller to note.
// What it keeps is bounded: a partial message that reaches the limit is an overflow, which the
// link treats like a failed read.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "station/choices.h"

namespace corvane {

class FrameReader {
  public:
    enum class Framing { SurGard, SiaDcs };
    static constexpr std::size_t kDefaultLimit = 64 * 1024;

    explicit FrameReader(Framing framing, std::size_t limit = kDefaultLimit);
    // The framing a protocol uses; Sur-Gard for anything but SIA-DCS.
    static Framing framingFor(Protocol protocol);

    // Appends the complete messages found in `bytes` to `out`, in order. Returns false once the
    // partial message has reached the limit without a terminator; the reader is then spent.
    bool feed(std::string_view bytes, std::vector<std::string>& out);

    // Bytes kept for the next message.
    std::size_t pending() const { return m_partial.size(); }
    bool overflowed() const { return m_overflowed; }

    // The bytes of a message still open when its connection ended.
    struct Unfinished {
        std::size_t size = 0;  // 0: nothing was open
        std::string head;      // its first bytes (at most kUnfinishedHead)
    };
    static constexpr std::size_t kUnfinishedHead = 16;
    // The connection ended: notes the skipped bytes not yet noted and hands back what was open,
    // except a run of bytes between frames (which is skipped). The reader is empty afterwards.
    Unfinished finish();
    // "0A 31 32": bytes in upper-case hexadecimal, for the notes.
    static std::string hexBytes(std::string_view bytes);

  private:
    bool feedSiaDcs(std::string_view bytes, std::vector<std::string>& out);
    bool overflow();
    void startSiaMessage(char first);
    void endSiaMessage(std::vector<std::string>& out, bool atCr);
    bool skipIfBetweenFrames();
    void skipBetween(char byte);
    void noteSkipped();

    Framing m_framing;
    std::size_t m_limit;
    std::string m_partial;
    bool m_inFrame = false;  // SIA-DCS: a message has started and its CR not yet come
    bool m_overflowed = false;
    // SIA-DCS: whether bytes 1 and 2 after the LF may be a binary CRC (see frame_reader_sia.cpp).
    bool m_headOpen = false;
    bool m_headLookahead = false;
    // SIA-DCS: NUL, blank and LF bytes skipped since the previous message.
    std::size_t m_skipped = 0;
    std::string m_skippedHead;  // their first bytes, for the diagnostic note
    bool m_skipAfterCr = false;
    bool m_skipMixed = false;
};

}  // namespace corvane
