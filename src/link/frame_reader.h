// Cuts one connection's byte stream into messages by the protocol's framing, keeping the bytes
// after the last terminator for the next message:
//   Sur-Gard: everything up to and including 0x14;
//   SIA-DCS:  from LF up to and including CR (bytes before an LF are skipped).
// What it keeps is bounded: a partial message that reaches the limit is an overflow, which the
// link treats like a failed read.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace corvane {

class FrameReader {
  public:
    enum class Framing { SurGard, SiaDcs };
    static constexpr std::size_t kDefaultLimit = 64 * 1024;

    explicit FrameReader(Framing framing, std::size_t limit = kDefaultLimit);
    // The framing a protocol text ("Sur-Gard" or "SIA-DCS") uses; Sur-Gard for anything else.
    static Framing framingFor(std::string_view protocol);

    // Appends the complete messages found in `bytes` to `out`, in order. Returns false once the
    // partial message has reached the limit without a terminator; the reader is then spent.
    bool feed(std::string_view bytes, std::vector<std::string>& out);

    // Bytes kept for the next message.
    std::size_t pending() const { return m_partial.size(); }
    bool overflowed() const { return m_overflowed; }

  private:
    Framing m_framing;
    std::size_t m_limit;
    std::string m_partial;
    bool m_inFrame = false;  // SIA-DCS: an LF has been seen and its CR not yet
    bool m_overflowed = false;
};

}  // namespace corvane
