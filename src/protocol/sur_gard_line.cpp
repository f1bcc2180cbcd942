#include "protocol/sur_gard_line.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "protocol/hex_digit.h"

namespace corvane {

namespace {

constexpr std::size_t kMlr2Header = 4;     // ID RR L
constexpr std::size_t kMlr2000Header = 6;  // ID RR LLL
constexpr std::size_t kClockWidth = 14;    // HH:MM:SS-dd/mm

using R = FieldRule;

constexpr std::array kContactId4Fields = {
    LineField{"Format", 1, 2, R::Decimal, false},    LineField{"Account", 3, 4, R::Hex, true},
    LineField{"Qualifier", 7, 1, R::Any, false},     LineField{"EventCode", 8, 3, R::Decimal, true},
    LineField{"GroupCode", 11, 2, R::Decimal, true}, LineField{"ZoneCode", 13, 3, R::Decimal, true},
};
constexpr std::array kContactId10Fields = {
    LineField{"Format", 1, 2, R::Decimal, false},
    LineField{"Account", 3, 10, R::Hex, true},
    LineField{"Qualifier", 13, 1, R::Any, false},
    LineField{"EventCode", 14, 3, R::Decimal, true},
    LineField{"GroupCode", 17, 2, R::Decimal, true},
    LineField{"ZoneCode", 19, 3, R::Decimal, true},
};
constexpr std::array kSignalFields = {
    LineField{"Account", 4, 6, R::PaddedHex, true},
    LineField{"Event", 11, 1, R::Visible, true},
    LineField{"Area", 12, 1, R::PaddedHexOrBlank, true},
    LineField{"Zone", 13, 3, R::PaddedHex, true},
};
constexpr std::array kLineStatusFields = {
    LineField{"Event", 11, 1, R::Visible, true},
    LineField{"Code", 14, 2, R::Hex, true},
};
constexpr std::array kAudioFields = {
    LineField{"Line", 14, 2, R::Hex, true},
};
constexpr std::array kSia1Fields = {
    LineField{"Account", 4, 6, R::PaddedHex, true},
    LineField{"EventCode", 10, 2, R::Letters, true},
    LineField{"Zone", 12, 4, R::PaddedHex, true},
};
constexpr std::array kCallerIdFields = {
    LineField{"Account", 0, 6, R::PaddedHexOrBlank, true},
    LineField{"AreaCode", 6, 3, R::DecimalOrBlank, true},
    LineField{"Number", 9, 7, R::DecimalOrBlank, true},
};
constexpr std::array kBfskFields = {
    LineField{"Account", 0, 10, R::PaddedHex, true},
    LineField{"Event", 10, 2, R::PaddedHex, true},
    LineField{"Zone", 12, 4, R::PaddedHex, true},
};
constexpr std::array kAdemcoFields = {
    LineField{"Account", 0, 4, R::Hex, true},
    LineField{"Channels", 5, 9, R::DecimalGroups, true},
    LineField{"Aux", 15, 1, R::Decimal, true},
};

bool isDecimal(char c) {
    return c >= '0' && c <= '9';
}

std::string_view withoutLeadingBlanks(std::string_view text) {
    const std::size_t first = text.find_first_not_of(' ');
    return first == std::string_view::npos ? std::string_view{} : text.substr(first);
}

bool follows(std::string_view value, FieldRule rule) {
    const std::string_view padded = withoutLeadingBlanks(value);
    switch (rule) {
        case R::Decimal:
            return std::ranges::all_of(value, isDecimal);
        case R::Hex:
            return allHex(value);
        case R::PaddedHex:
            return !padded.empty() && allHex(padded);
        case R::PaddedHexOrBlank:
            return allHex(padded);
        case R::DecimalOrBlank:
            return padded.empty() || std::ranges::all_of(value, isDecimal);
        case R::DecimalGroups:
            return !value.empty() && isDecimal(value.front()) && isDecimal(value.back()) &&
                   std::ranges::all_of(value, [](char c) { return isDecimal(c) || c == ' '; }) &&
                   value.find("  ") == std::string_view::npos;
        case R::Letters:
            return std::ranges::all_of(
                value, [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); });
        case R::Visible:
            return std::ranges::all_of(value, [](char c) { return c > ' ' && c < '\x7F'; });
        case R::Any:
            return true;
    }
    return false;
}

const char* ruleText(FieldRule rule) {
    switch (rule) {
        case R::Decimal:
        case R::DecimalOrBlank:
        case R::DecimalGroups:
            return "decimal";
        case R::Hex:
        case R::PaddedHex:
        case R::PaddedHexOrBlank:
            return "hexadecimal";
        case R::Letters:
            return "letters";
        case R::Visible:
            return "a visible character";
        case R::Any:
            break;
    }
    return "";
}

// Two digits at `at` holding a value from `low` to `high`.
bool twoDigits(std::string_view text, std::size_t at, int low, int high) {
    if (!isDecimal(text[at]) || !isDecimal(text[at + 1])) {
        return false;
    }
    const int value = (text[at] - '0') * 10 + (text[at + 1] - '0');
    return value >= low && value <= high;
}

// "HH:MM:SS-dd/mm", a real time of day and a real day of a month.
bool isClock(std::string_view c) {
    return c.size() == kClockWidth && twoDigits(c, 0, 0, 23) && c[2] == ':' &&
           twoDigits(c, 3, 0, 59) && c[5] == ':' && twoDigits(c, 6, 0, 59) && c[8] == '-' &&
           twoDigits(c, 9, 1, 31) && c[11] == '/' && twoDigits(c, 12, 1, 12);
}

}  // namespace

const LineLayout kContactId4Line{"CID", "CID 4", 16, true, kContactId4Fields};
const LineLayout kContactId10Line{"CID", "CID 10", 22, false, kContactId10Fields};
const LineLayout kSignalLine{"Signal", "Signal", kLineFieldsWidth, true, kSignalFields};
const LineLayout kLineStatusLine{"Line status", "Line status", kLineFieldsWidth, true,
                                 kLineStatusFields};
const LineLayout kAudioLine{"Two-way audio", "Two-way audio", kLineFieldsWidth, true, kAudioFields};
const LineLayout kSia1Line{"SIA 1", "SIA 1", kLineFieldsWidth, true, kSia1Fields};
const LineLayout kCallerIdLine{"Caller ID", "Caller ID", kLineFieldsWidth, true, kCallerIdFields};
const LineLayout kBfskLine{"BFSK", "BFSK", kLineFieldsWidth, true, kBfskFields};
const LineLayout kAdemcoLine{"Ademco", "Ademco", kLineFieldsWidth, true, kAdemcoFields};

const LineLayout* layoutOf(MessageKind kind) {
    switch (kind) {
        case MessageKind::Signal:
            return &kSignalLine;
        case MessageKind::LineStatus:
            return &kLineStatusLine;
        case MessageKind::Audio:
            return &kAudioLine;
        case MessageKind::Sia1:
            return &kSia1Line;
        case MessageKind::CallerId:
            return &kCallerIdLine;
        case MessageKind::Bfsk:
            return &kBfskLine;
        case MessageKind::Ademco:
            return &kAdemcoLine;
        default:
            return nullptr;
    }
}

std::string_view lineField(const LineLayout& layout, std::string_view fields,
                           std::string_view name) {
    for (const LineField& field : layout.fields) {
        if (name == field.name) {
            return field.at < fields.size()
                       ? withoutLeadingBlanks(fields.substr(field.at, field.width))
                       : std::string_view{};
        }
    }
    return {};
}

std::string_view lineFieldsOf(std::string_view line, const LineLayout& layout) {
    if (line.size() < kMlr2Header + layout.width + 1) {
        return {};
    }
    const std::size_t beforeEnd = line.size() - 1 - layout.width;  // the header (and clock)
    // 4 or 6 before the fields: a header; 18 or 20: a header and the clock.
    const std::size_t clock =
        layout.clock && beforeEnd >= kMlr2Header + kClockWidth ? kClockWidth : 0;
    return line.substr(beforeEnd - clock, layout.width);
}

FixedLine::FixedLine(std::string_view text, ReceiverType type, const LineLayout& layout)
    : m_layout(layout), m_mlr2(type == ReceiverType::Mlr2) {
    const std::size_t header = m_mlr2 ? kMlr2Header : kMlr2000Header;
    const std::size_t length = header + layout.width + 1;  // with the terminator
    const bool withClock = layout.clock && text.size() == length + kClockWidth;
    if (text.size() != length && !withClock) {
        m_fault = Fault::Length;
        m_length = text.size();
        m_expected = length;
        return;
    }
    m_rr = text.substr(1, 2);
    m_line = text.substr(3, header - 3);
    m_fields = text.substr(header, layout.width);
    if (withClock) {
        m_clock = text.substr(header + layout.width, kClockWidth);
    }
    if (!allHex(m_rr)) {
        failField("RR", m_rr, "hexadecimal");
        return;
    }
    if (!allHex(m_line)) {
        failField(m_mlr2 ? "L" : "LLL", m_line, "hexadecimal");
        return;
    }
    for (const LineField& field : layout.fields) {
        const std::string_view value = m_fields.substr(field.at, field.width);
        if (!follows(value, field.rule)) {
            failField(field.name, value, ruleText(field.rule));
            return;
        }
    }
    if (withClock && !isClock(m_clock)) {
        failField("Clock", m_clock, "a time HH:MM:SS-dd/mm");
    }
}

void FixedLine::failField(std::string_view name, std::string_view value, std::string_view rule) {
    m_fault = Fault::Content;
    m_faultField = name;
    m_faultValue = value;
    m_faultRule = rule;
}

void FixedLine::describeFault(Description& out) const {
    if (m_fault == Fault::None) {
        return;
    }
    out.append(m_layout.faultLabel);
    out.append(" format error: ");
    if (m_fault == Fault::Length) {
        char what[96];
        if (m_layout.clock) {
            std::snprintf(what, sizeof what, "length %zu, not %zu (%zu with the clock)", m_length,
                          m_expected, m_expected + kClockWidth);
        } else {
            std::snprintf(what, sizeof what, "length %zu, not %zu", m_length, m_expected);
        }
        out.append(what);
        return;
    }
    out.append(m_faultField);
    out.append(" \"");
    out.append(m_faultValue);
    out.append("\" is not ");
    out.append(m_faultRule);
}

void FixedLine::describe(Description& out) const {
    out.append(m_layout.label);
    out.append(": RR=");
    out.append(m_rr);
    out.append(m_mlr2 ? ", L=" : ", LLL=");
    out.append(m_line);
    for (const LineField& field : m_layout.fields) {
        const std::string_view value = withoutLeadingBlanks(m_fields.substr(field.at, field.width));
        if (field.shown && !value.empty()) {
            out.append(", ");
            out.append(field.name);
            out.append("=");
            out.append(value);
        }
    }
    if (!m_clock.empty()) {
        out.append(", Clock=");
        out.append(m_clock);
    }
}

}  // namespace corvane
