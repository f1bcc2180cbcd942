#include "pipeline/log_symbols.h"

namespace corvane {

namespace {

constexpr char16_t kControlPictures = 0x2400;  // U+2400 + byte for 0x00..0x1F
constexpr char16_t kDeletePicture = 0x2421;    // for 0x7F

void appendUtf8(char16_t code, std::string& out) {
    if (code < 0x80) {
        out.push_back(static_cast<char>(code));
    } else if (code < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (code >> 6)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xE0 | (code >> 12)));
        out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    }
}

}  // namespace

char16_t logByteSymbol(unsigned char byte) {
    if (byte < 0x20) {
        return static_cast<char16_t>(kControlPictures + byte);
    }
    if (byte == 0x7F) {
        return kDeletePicture;
    }
    return byte;  // ASCII and Latin-1 alike
}

int logSymbolByte(char16_t symbol) {
    if (symbol >= kControlPictures && symbol < kControlPictures + 0x20) {
        return symbol - kControlPictures;
    }
    if (symbol == kDeletePicture) {
        return 0x7F;
    }
    return symbol <= 0xFF ? symbol : -1;
}

void appendLogBytesAsUtf8(std::string_view bytes, std::string& out) {
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        if (byte == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') {
            out.push_back('\n');
            ++i;
        } else {
            appendUtf8(logByteSymbol(byte), out);
        }
    }
}

}  // namespace corvane
