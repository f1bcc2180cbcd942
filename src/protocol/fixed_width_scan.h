// Reads the fixed-width fields of a Contact ID or SIA line the way the standard formatted scan
// reads "%*c" and "%Nd", without its undefined behaviour on overflow:
//   skip()           "%*c": consumes exactly one character of any kind, blanks included;
//   number(N, value) "%Nd": skips leading white space (not counted in N), then reads an optional
//                    sign and digits, at most N characters in all.
// The end of the text, or a number without a digit, stops the scan: that field and every later
// one are left as they were (the callers start them at 0).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace corvane {

class FixedWidthScan {
  public:
    explicit FixedWidthScan(std::string_view text) : m_text(text) {}

    FixedWidthScan& skip();
    // `width` is at most 18, so the value always fits.
    FixedWidthScan& number(int width, std::int64_t& value);

    bool stopped() const { return m_stopped; }

  private:
    std::string_view m_text;
    std::size_t m_pos = 0;
    bool m_stopped = false;
};

}  // namespace corvane
