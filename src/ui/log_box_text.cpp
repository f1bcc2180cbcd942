#include "ui/log_box_text.h"

namespace corvane::ui {

namespace {

constexpr char16_t kControlPictures = 0x2400;  // U+2400 + byte for 0x00..0x1F
constexpr char16_t kDeletePicture = 0x2421;    // for 0x7F
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
        } else if (byte < 0x20) {
            text.append(QChar(static_cast<char16_t>(kControlPictures + byte)));
        } else if (byte == 0x7F) {
            text.append(QChar(kDeletePicture));
        } else {
            text.append(QChar(static_cast<char16_t>(byte)));  // ASCII and Latin-1 alike
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
        } else if (code >= kControlPictures && code < kControlPictures + 0x20) {
            bytes.push_back(static_cast<char>(code - kControlPictures));
        } else if (code == kDeletePicture) {
            bytes.push_back('\x7F');
        } else if (code <= 0xFF) {
            bytes.push_back(static_cast<char>(code));
        } else {
            bytes.push_back('?');
        }
    }
    return bytes;
}

}  // namespace corvane::ui
