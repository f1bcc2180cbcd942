// Counting the lines of the activity log.
//
// Only the pair CR LF ends a line. A lone CR or a lone LF inside a raw message (a SIA-DCS frame
// holds both) is not a line break: the log box shows it as a visible symbol, so the box shows
// exactly (CR LF pairs + 1) lines, the empty line after the last CR LF included.
#pragma once

#include <string_view>

namespace corvane {

// CR LF pairs that end inside `text`, when the byte just before `text` is `before` (0 for none),
// so a pair split across two appends is counted once, by the append that brings its LF.
int countLineBreaks(std::string_view text, char before);

}  // namespace corvane
