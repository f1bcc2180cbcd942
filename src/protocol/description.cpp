#include "protocol/description.h"

#include <cstdarg>
#include <cstring>

namespace corvane {

void Description::format(const char* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    const int wanted = std::vsnprintf(m_text, kCapacity, fmt, args);
    va_end(args);
    if (wanted < 0) {
        m_text[0] = '\0';
        m_length = 0;
        return;
    }
    m_length = static_cast<std::size_t>(wanted) < kCapacity ? static_cast<std::size_t>(wanted)
                                                            : kCapacity - 1;
}

void Description::append(std::string_view text) {
    const std::size_t room = kCapacity - 1 - m_length;
    const std::size_t taken = text.size() < room ? text.size() : room;
    std::memcpy(m_text + m_length, text.data(), taken);
    m_length += taken;
    m_text[m_length] = '\0';
}

}  // namespace corvane
