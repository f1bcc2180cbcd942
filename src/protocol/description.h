// The description buffer every decoder formats into.
#pragma once

#include <cstdio>
#include <string_view>

namespace corvane {

// A description is formatted into 256 bytes: at most 255 characters, longer texts are cut there.
class Description {
  public:
    static constexpr std::size_t kCapacity = 256;

    Description() { m_text[0] = '\0'; }

    void format(const char* fmt, ...) __attribute__((format(printf, 2, 3)));
    // Adds `text` after what is there, as much of it as fits.
    void append(std::string_view text);

    const char* c_str() const { return m_text; }
    std::string_view view() const { return {m_text, m_length}; }

  private:
    // Only the text and its terminating zero are ever read: all 256 bytes need no clearing.
    char m_text[kCapacity];
    std::size_t m_length = 0;
};

// A piece of a message as a "%.*s" precision. Nothing past 255 characters can show in a
// description, so the clamp changes no output and keeps the int in range.
inline int shownLength(std::string_view text) {
    return static_cast<int>(text.size() < Description::kCapacity ? text.size()
                                                                 : Description::kCapacity);
}

}  // namespace corvane
