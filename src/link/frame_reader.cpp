#include "link/frame_reader.h"

#include <utility>

namespace corvane {

namespace {
constexpr char kSurGardEnd = 0x14;
}  // namespace

FrameReader::FrameReader(Framing framing, std::size_t limit) : m_framing(framing), m_limit(limit) {}

FrameReader::Framing FrameReader::framingFor(Protocol protocol) {
    return protocol == Protocol::SiaDcs ? Framing::SiaDcs : Framing::SurGard;
}

std::string FrameReader::hexBytes(std::string_view bytes) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string hex;
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        hex.push_back(kDigits[b >> 4]);
        hex.push_back(kDigits[b & 15]);
        hex.push_back(' ');
    }
    if (!hex.empty()) {
        hex.pop_back();
    }
    return hex;
}

FrameReader::Unfinished FrameReader::finish() {
    if (m_framing == Framing::SiaDcs) {
        if (m_inFrame) {
            skipIfBetweenFrames();
        }
        noteSkipped();
    }
    Unfinished left{m_partial.size(), m_partial.substr(0, kUnfinishedHead)};
    m_partial.clear();
    m_inFrame = false;
    m_headOpen = false;
    return left;
}

bool FrameReader::feed(std::string_view bytes, std::vector<std::string>& out) {
    if (m_overflowed) {
        return false;
    }
    if (m_framing == Framing::SiaDcs) {
        return feedSiaDcs(bytes, out);
    }
    while (!bytes.empty()) {
        const char end = kSurGardEnd;
        const auto stop = bytes.find(end);
        if (stop == std::string_view::npos) {
            if (m_partial.size() + bytes.size() >= m_limit) {
                m_partial.clear();
                m_overflowed = true;
                return false;
            }
            m_partial.append(bytes);
            return true;
        }
        if (m_partial.size() + stop + 1 > m_limit) {
            m_partial.clear();
            m_overflowed = true;
            return false;
        }
        if (m_partial.empty()) {
            out.emplace_back(bytes.substr(0, stop + 1));
        } else {
            m_partial.append(bytes.substr(0, stop + 1));
            out.push_back(std::move(m_partial));
            m_partial.clear();
        }
        bytes.remove_prefix(stop + 1);
    }
    return true;
}

}  // namespace corvane
