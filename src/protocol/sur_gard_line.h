// Fixed-width Sur-Gard lines: a header (the line type's character, the receiver number RR and the
// line, L under MLR2 or LLL under MLR2000), fields at fixed places, the receivers' clock
// "HH:MM:SS-dd/mm" on the line types that may carry it, and the terminator. Each line type is a
// layout: a table of its fields and the characters each one may hold. Reading a line checks its
// length, its header, every field and the clock, so a letter where a digit belongs is a format
// error that names the field, never a silent 0. RR and the line are hexadecimal text (line cards
// 01-FE), accounts are text: nothing is turned into a number here.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "protocol/decoded.h"
#include "protocol/description.h"
#include "station/choices.h"

namespace corvane {

enum class FieldRule : std::uint8_t {
    Decimal,           // digits
    Hex,               // hexadecimal digits, either case
    PaddedHex,         // blanks, then at least one hexadecimal digit (right-aligned text)
    PaddedHexOrBlank,  // the same, or blanks throughout (nothing given)
    DecimalOrBlank,    // digits, or blanks throughout
    DecimalGroups,     // groups of digits, one blank between two groups
    Letters,           // letters, either case
    Visible,           // visible characters, no blank
    Any,               // not checked
};

struct LineField {
    std::string_view name;  // as descriptions and format errors name it
    std::uint16_t at;       // offset after the header
    std::uint16_t width;
    FieldRule rule;
    bool shown;  // in the description (when not blank)
};

struct LineLayout {
    std::string_view label;       // the description's start, "Signal: ..."
    std::string_view faultLabel;  // "<faultLabel> format error: ..."
    std::size_t width;            // of the fields after the header
    bool clock;                   // may end with the receivers' clock
    std::span<const LineField> fields;
};

// The line types with fixed fields (section by section of the receivers' automation output).
extern const LineLayout kContactId4Line;   // "5"
extern const LineLayout kContactId10Line;  // "Q"
extern const LineLayout kSignalLine;       // "1", a signal
extern const LineLayout kLineStatusLine;   // "1", account 0000, A/R/T and a status code
extern const LineLayout kAudioLine;        // "1", account 0000, P and 0 + the line
extern const LineLayout kSia1Line;         // "3"
extern const LineLayout kCallerIdLine;     // "4"
extern const LineLayout kBfskLine;         // "6"
extern const LineLayout kAdemcoLine;       // "8"

// The layout of a Sur-Gard line kind from Signal to Ademco; null for any other kind.
const LineLayout* layoutOf(MessageKind kind);

// The field `name` of `fields` (a line's text after its header), without its leading blanks.
std::string_view lineField(const LineLayout& layout, std::string_view fields,
                           std::string_view name);

// The text after the header of a line `layout` read without fault: the fields, before the clock
// and the terminator (found from the end, so the header's width need not be known).
std::string_view lineFieldsOf(std::string_view line, const LineLayout& layout);

// One line read with one layout.
class FixedLine {
  public:
    enum class Fault : std::uint8_t { None, Length, Content };

    // `type` is MLR2000 or MLR2 (the header's width); `text` ends with its terminator, whose
    // place is counted but not checked.
    FixedLine(std::string_view text, ReceiverType type, const LineLayout& layout);

    Fault fault() const { return m_fault; }
    // "<label> format error: ..." naming what is wrong; nothing without a fault.
    void describeFault(Description& out) const;

    std::string_view fields() const { return m_fields; }
    std::string_view field(std::string_view name) const {
        return lineField(m_layout, m_fields, name);
    }
    // "<label>: RR=01, LLL=001, <field>=<value>, ..., Clock=HH:MM:SS-dd/mm".
    void describe(Description& out) const;

  private:
    void failField(std::string_view name, std::string_view value, std::string_view rule);

    const LineLayout& m_layout;
    bool m_mlr2 = false;
    std::string_view m_rr;
    std::string_view m_line;
    std::string_view m_fields;
    std::string_view m_clock;
    Fault m_fault = Fault::None;
    // What the fault names: the length found and expected, or the field, its text and its rule.
    std::size_t m_length = 0;
    std::size_t m_expected = 0;
    std::string_view m_faultField;
    std::string_view m_faultValue;
    std::string_view m_faultRule;
};

}  // namespace corvane
