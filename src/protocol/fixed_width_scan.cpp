#include "protocol/fixed_width_scan.h"

namespace corvane {

namespace {

// White space as the C locale's isspace sees it.
bool isScanSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

}  // namespace

FixedWidthScan& FixedWidthScan::skip() {
    if (m_stopped || m_pos >= m_text.size()) {
        m_stopped = true;
        return *this;
    }
    ++m_pos;
    return *this;
}

FixedWidthScan& FixedWidthScan::number(int width, std::int64_t& value) {
    if (m_stopped) {
        return *this;
    }
    while (m_pos < m_text.size() && isScanSpace(m_text[m_pos])) {
        ++m_pos;
    }
    int used = 0;
    bool negative = false;
    if (m_pos < m_text.size() && (m_text[m_pos] == '+' || m_text[m_pos] == '-')) {
        negative = m_text[m_pos] == '-';
        ++m_pos;
        ++used;
    }
    std::int64_t magnitude = 0;
    int digits = 0;
    while (used < width && m_pos < m_text.size() && isDigit(m_text[m_pos])) {
        magnitude = magnitude * 10 + (m_text[m_pos] - '0');
        ++m_pos;
        ++used;
        ++digits;
    }
    if (digits == 0) {
        m_stopped = true;
        return *this;
    }
    value = negative ? -magnitude : magnitude;
    return *this;
}

}  // namespace corvane
