#include "pipeline/line_breaks.h"

#include <cstring>

namespace corvane {

int countLineBreaks(std::string_view text, char before) {
    // Jump from LF to LF with memchr: a log line holds one LF, so this touches few bytes twice.
    int breaks = 0;
    const char* const begin = text.data();
    const char* const end = begin + text.size();
    const char* p = begin;
    while (p < end) {
        const auto* lf = static_cast<const char*>(std::memchr(p, '\n', end - p));
        if (lf == nullptr) {
            break;
        }
        const char previous = lf == begin ? before : lf[-1];
        if (previous == '\r') {
            ++breaks;
        }
        p = lf + 1;
    }
    return breaks;
}

}  // namespace corvane
