#include "ui/log_box_text.h"

#include "pipeline/log_symbols.h"

namespace corvane::ui {

namespace {

constexpr char16_t kLineSeparator = 0x2028;
constexpr char16_t kParagraphSeparator = 0x2029;
constexpr char16_t kFrameStart = 0xFDD0;  // QTextDocument's frame markers in raw text
constexpr char16_t kFrameEnd = 0xFDD1;

}  // namespace

QString logBytesToBoxText(std::string_view bytes) {
    QString text;
    text.reserve(static_cast<qsizetype>(bytes.size()));
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        if (byte == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') {
            text.append(QChar(u'\n'));
            ++i;
        } else {
            text.append(QChar(logByteSymbol(byte)));
        }
    }
    return text;
}

std::string boxTextToLogBytes(const QString& text) {
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(text.size()));
    for (const QChar ch : text) {
        const char16_t code = ch.unicode();
        if (code == u'\n' || code == kParagraphSeparator || code == kLineSeparator ||
            code == kFrameStart || code == kFrameEnd) {
            bytes.append("\r\n");
        } else if (const int byte = logSymbolByte(code); byte >= 0) {
            bytes.push_back(static_cast<char>(byte));
        } else {
            bytes.push_back('?');
        }
    }
    return bytes;
}

}  // namespace corvane::ui
