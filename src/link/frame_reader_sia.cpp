// SIA-DCS framing: loses no byte silently.
//
// A message ends at CR and starts at the last LF before it. Where no LF came since the previous
// message, it starts at the first byte after that message that is not NUL or blank (such a frame
// is answered and decoded like any other). An LF that comes while a message has no CR yet ends
// the open bytes as a message of their own and starts the next one, unless those bytes are only
// LF, NUL and blanks: then they lay between frames (a sender that ends each frame with CR LF
// leaves such an LF open) and are skipped, never made a message. Skipped bytes are noted in the
// diagnostic log: a run of one kind right after a CR (the trailing LF, NUL or blank some devices
// send) as a quirk, any other run with its count and first bytes in hexadecimal. The note comes
// with the next message, or when the connection ends.
//
// Binary CRC: some devices send the CRC as 2 raw bytes, and either may be 0x0A or 0x0D. A frame
// head is LF, the CRC (4 characters or 2 bytes), "0", 3 length characters and the body's opening
// quotation mark. So when byte 1 or 2 after an LF is LF or CR, the reader waits for byte 7 and
// looks at the head's shape: "0", 3 hexadecimal characters (either case) and '"' at bytes 3 to 7
// mean bytes 1 and 2 were a binary CRC and are kept as frame bytes. Any other shape, and the LF
// or CR there frames as usual (the waiting bytes are read again in order). A 4-character CRC is
// hexadecimal and never holds LF or CR, so frames with one never wait.
#include <cctype>

#include "link/frame_reader.h"
#include "platform/quillet.h"
#include "protocol/delimited_text.h"

namespace corvane {

namespace {

constexpr char kLf = '\n';
constexpr char kCr = '\r';
constexpr std::size_t kHeadSize = 8;          // LF, 2 CRC bytes, "0", 3 length chars, '"'
constexpr std::size_t kSkippedHeadBytes = 8;  // shown in the note
constexpr const char* kFunction = "FrameReader::feed";

bool skippable(char byte) {
    return byte == '\0' || byte == ' ' || byte == '\t';
}

bool betweenFrames(std::string_view bytes) {
    return bytes.find_first_not_of(std::string_view("\n\0 \t", 4)) == std::string_view::npos;
}

const char* kindName(char byte) {
    return byte == '\0' ? "NUL" : byte == '\n' ? "LF" : "blank";
}

bool terminator(char byte) {
    return byte == kLf || byte == kCr;
}

bool binaryCrcHead(std::string_view head) {
    const auto hex = [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; };
    return head.size() == kHeadSize && head[3] == '0' && hex(head[4]) && hex(head[5]) &&
           hex(head[6]) && head[7] == '"';
}

}  // namespace

bool FrameReader::overflow() {
    m_partial.clear();
    m_overflowed = true;
    return false;
}

void FrameReader::startSiaMessage(char first) {
    m_inFrame = true;
    m_partial.assign(1, first);
    m_headOpen = first == kLf;
    m_headLookahead = false;
}

void FrameReader::endSiaMessage(std::vector<std::string>& out, bool atCr) {
    noteSkipped();
    out.push_back(std::move(m_partial));
    m_partial.clear();
    m_inFrame = false;
    m_headOpen = false;
    m_skipAfterCr = atCr;
}

bool FrameReader::skipIfBetweenFrames() {
    if (!betweenFrames(m_partial)) {
        return false;
    }
    for (const char c : m_partial) {
        skipBetween(c);
    }
    m_partial.clear();
    m_inFrame = false;
    m_headOpen = false;
    return true;
}

void FrameReader::skipBetween(char byte) {
    if (m_skipped > 0 && byte != m_skippedHead.front()) {
        m_skipMixed = true;
    }
    if (m_skippedHead.size() < kSkippedHeadBytes) {
        m_skippedHead.push_back(byte);
    }
    ++m_skipped;
}

void FrameReader::noteSkipped() {
    if (m_skipped == 0) {
        return;
    }
    if (m_skipAfterCr && !m_skipMixed) {
        QUILLET(3, kFunction, "quirk: %zu %s byte(s) after CR", m_skipped,
                kindName(m_skippedHead.front()));
    } else {
        QUILLET(2, kFunction, "skipped %zu byte(s) between frames: %s%s", m_skipped,
                hexBytes(m_skippedHead).c_str(), m_skipped > m_skippedHead.size() ? " ..." : "");
    }
    m_skipped = 0;
    m_skippedHead.clear();
    m_skipMixed = false;
    m_skipAfterCr = false;
}

bool FrameReader::feedSiaDcs(std::string_view bytes, std::vector<std::string>& out) {
    std::size_t i = 0;
    while (i < bytes.size()) {
        const char c = bytes[i];
        if (!m_inFrame) {
            ++i;
            if (skippable(c)) {
                skipBetween(c);
                continue;
            }
            startSiaMessage(c);
            if (c == kCr) {
                endSiaMessage(out, true);
            }
            continue;
        }
        if (m_headOpen) {
            // Bytes 1 to 7 after an LF, while a binary CRC is still possible.
            ++i;
            if (m_partial.size() + 1 >= m_limit) {
                return overflow();
            }
            m_partial.push_back(c);
            const std::size_t size = m_partial.size();
            if (size <= 3 && terminator(c)) {
                m_headLookahead = true;
            }
            if (!m_headLookahead && size == 3) {
                m_headOpen = false;
            } else if (m_headLookahead && size == kHeadSize) {
                m_headOpen = false;
                if (!binaryCrcHead(m_partial)) {
                    // No binary CRC: read the waiting bytes again with LF and CR as framing.
                    const std::string again = m_partial.substr(1);
                    m_partial.resize(1);
                    if (!feedSiaDcs(again, out)) {
                        return false;
                    }
                }
            }
            continue;
        }
        const std::size_t stop = findAnyOf(bytes, i, '\r', '\n');
        const std::size_t upto = stop == std::string_view::npos ? bytes.size() : stop;
        if (m_partial.size() + (upto - i) >= m_limit) {
            return overflow();
        }
        m_partial.append(bytes.substr(i, upto - i));
        i = upto;
        if (stop == std::string_view::npos) {
            break;
        }
        ++i;
        if (bytes[stop] == kCr) {
            m_partial.push_back(kCr);
            endSiaMessage(out, true);
        } else {
            if (!skipIfBetweenFrames()) {
                endSiaMessage(out, false);
            }
            startSiaMessage(kLf);
        }
    }
    return true;
}

}  // namespace corvane
