#include "link/frame_reader.h"

#include <utility>

namespace corvane {

namespace {
constexpr char kSurGardEnd = 0x14;
constexpr char kSiaStart = '\n';
constexpr char kSiaEnd = '\r';
}  // namespace

FrameReader::FrameReader(Framing framing, std::size_t limit) : m_framing(framing), m_limit(limit) {}

FrameReader::Framing FrameReader::framingFor(std::string_view protocol) {
    return protocol == "SIA-DCS" ? Framing::SiaDcs : Framing::SurGard;
}

bool FrameReader::feed(std::string_view bytes, std::vector<std::string>& out) {
    if (m_overflowed) {
        return false;
    }
    while (!bytes.empty()) {
        if (m_framing == Framing::SiaDcs && !m_inFrame) {
            const auto start = bytes.find(kSiaStart);
            if (start == std::string_view::npos) {
                return true;  // bytes between frames are skipped
            }
            bytes.remove_prefix(start);
            m_inFrame = true;
        }
        const char end = m_framing == Framing::SurGard ? kSurGardEnd : kSiaEnd;
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
        m_inFrame = false;
        bytes.remove_prefix(stop + 1);
    }
    return true;
}

}  // namespace corvane
