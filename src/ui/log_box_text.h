// How the activity log's bytes appear in the log box, and how the box's text maps back.
//
// CR LF is a line break. Every other byte below 0x20 (a lone CR or LF of a DC-09 frame, the 0x14
// terminator of a Sur-Gard message) and 0x7F show as their Unicode control pictures, so they are
// visible and never break a line; bytes 0x80..0xFF show as Latin-1. The reverse mapping undoes
// this exactly, so log bytes survive a round trip through the box. The byte-by-byte mapping is the
// core's (pipeline/log_symbols.h), shared with the terminal of corvane-station.
#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace corvane::ui {

// The box text for log bytes. Lines are separated by '\n'.
QString logBytesToBoxText(std::string_view bytes);

// The log bytes for a box text: '\n' (and the document's own block and line separators) become
// CR LF, control pictures their bytes, Latin-1 characters their bytes, anything else '?'.
std::string boxTextToLogBytes(const QString& text);

}  // namespace corvane::ui
