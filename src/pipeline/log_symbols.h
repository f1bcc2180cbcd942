// How the activity log's bytes are shown to a person, wherever they are shown (the log box, a
// terminal).
//
// CR LF is a line break. Every other byte below 0x20 (a lone CR or LF of a DC-09 frame, the 0x14
// terminator of a Sur-Gard message) and 0x7F show as their Unicode control pictures, so they are
// visible and never break a line; bytes 0x80..0xFF show as Latin-1.
#pragma once

#include <string>
#include <string_view>

namespace corvane {

// The character (a UTF-16 code unit, all in the Basic Multilingual Plane) that shows `byte`.
char16_t logByteSymbol(unsigned char byte);

// The byte a shown character stands for; -1 when it stands for none (outside Latin-1 and the
// control pictures).
int logSymbolByte(char16_t symbol);

// Appends log bytes as UTF-8 text: CR LF as '\n', every other byte as its symbol.
void appendLogBytesAsUtf8(std::string_view bytes, std::string& out);

}  // namespace corvane
