#include "protocol/sur_gard_decoder.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>

#include "protocol/delimited_text.h"
#include "protocol/description.h"
#include "protocol/fixed_width_scan.h"
#include "protocol/hex_digit.h"
#include "protocol/sur_gard_heartbeat.h"
#include "protocol/sur_gard_line.h"

namespace corvane {

namespace {

constexpr int kDeviceHeartbeatEvent = 602;

Decoded recognised(MessageKind kind, Decoded::Note note = Decoded::Note::None) {
    Decoded decoded;
    decoded.kind = kind;
    decoded.note = note;
    decoded.stampsTick = true;
    return decoded;
}

// No line format to read it with (the receiver type is neither MLR2000 nor MLR2): a sign of life,
// not counted, no description.
Decoded unread() {
    Decoded decoded;
    decoded.stampsTick = true;
    return decoded;
}

bool readable(ReceiverType type) {
    return type == ReceiverType::Mlr2000 || type == ReceiverType::Mlr2;
}

// A line of a known type with a fault: a sign of life, counted as a format error, described by
// what is wrong.
Decoded formatError(const FixedLine& line) {
    Decoded error = recognised(MessageKind::FormatError, Decoded::Note::FormatError);
    Description fault;
    line.describeFault(fault);
    error.description.assign(fault.view());
    return error;
}

// A line read without fault, as `kind`.
Decoded lineDecoded(const FixedLine& line, MessageKind kind) {
    Decoded decoded = recognised(kind, Decoded::Note::Description);
    Description text;
    line.describe(text);
    decoded.description.assign(text.view());
    decoded.account.assign(line.field("Account"));
    if (layoutOf(kind) != nullptr) {
        std::copy_n(line.fields().begin(), kLineFieldsWidth, decoded.lineFields.begin());
    }
    return decoded;
}

Decoded decodeFixed(std::string_view text, ReceiverType type, const LineLayout& layout,
                    MessageKind kind) {
    if (!readable(type)) {
        return unread();
    }
    const FixedLine line(text, type, layout);
    return line.fault() == FixedLine::Fault::None ? lineDecoded(line, kind) : formatError(line);
}

// "1": the heartbeat by its shape; any other "1" line is a signal, or, with the account 0000 and
// no area, a receiver's or line card's status (A, R, T) or two-way audio (P).
Decoded decodeIdOne(std::string_view text, ReceiverType type) {
    if (isSurGardHeartbeat(text)) {
        return recognised(MessageKind::Heartbeat);
    }
    if (!readable(type)) {
        return unread();
    }
    const FixedLine signal(text, type, kSignalLine);
    if (signal.fault() != FixedLine::Fault::None) {
        return formatError(signal);
    }
    constexpr std::size_t kZoneStart = 13;  // blank before a status code
    if (signal.field("Account") == "0000" && signal.field("Area").empty() &&
        signal.fields()[kZoneStart] == ' ') {
        const std::string_view event = signal.field("Event");
        if (event == "P") {
            return decodeFixed(text, type, kAudioLine, MessageKind::Audio);
        }
        if (event == "A" || event == "R" || event == "T") {
            return decodeFixed(text, type, kLineStatusLine, MessageKind::LineStatus);
        }
    }
    return lineDecoded(signal, MessageKind::Signal);
}

// "5" (4-character account) and "Q" (10-character account). Every one stamps the tick, a
// malformed one too; one of the wrong length is the "CID 4/10 format error!".
Decoded decodeContactId(std::string_view text, ReceiverType type) {
    if (!readable(type)) {
        return unread();
    }
    const bool tenDigits = text.front() == 'Q';
    const FixedLine line(text, type, tenDigits ? kContactId10Line : kContactId4Line);
    if (line.fault() == FixedLine::Fault::Length) {
        Decoded error =
            recognised(MessageKind::FormatError, tenDigits ? Decoded::Note::Cid10FormatError
                                                           : Decoded::Note::Cid4FormatError);
        error.description = tenDigits ? "CID 10 format error!" : "CID 4 format error!";
        return error;
    }
    if (line.fault() == FixedLine::Fault::Content) {
        return formatError(line);
    }
    const std::string_view event = line.field("EventCode");  // three digits, checked
    const int code = (event[0] - '0') * 100 + (event[1] - '0') * 10 + (event[2] - '0');
    Decoded decoded = lineDecoded(
        line, code == kDeviceHeartbeatEvent ? MessageKind::DeviceHeart : MessageKind::Cid);
    decoded.cidQualifier = line.fields()[tenDigits ? 13 : 7];
    decoded.cidEvent = static_cast<std::int16_t>(code);
    return decoded;
}

// "S": RR and LLL (or L) from the start, the account between "#" and "|", the event text between
// "/" and "]". Every "S" line is an SIA event, whatever follows.
Decoded decodeSia(std::string_view text, ReceiverType type) {
    Decoded decoded = recognised(MessageKind::Sia, Decoded::Note::Description);
    const std::string_view account = textBetween(text, '#', '|');
    const std::string_view event = textBetween(text, '/', ']');
    if (readable(type)) {
        const bool mlr2000 = type == ReceiverType::Mlr2000;
        const std::size_t lineWidth = mlr2000 ? 3 : 1;
        Description description;
        description.append("SIA: RR=");
        // RR and the line as written when they are hexadecimal text (line cards 01-FE), else as
        // the formatted scan reads numbers from the start of the line.
        const std::string_view header = text.substr(1, 2 + lineWidth);
        if (header.size() == 2 + lineWidth && allHex(header)) {
            description.append(header.substr(0, 2));
            description.append(mlr2000 ? ", LLL=" : ", L=");
            description.append(header.substr(2));
        } else {
            std::int64_t rr = 0;
            std::int64_t line = 0;
            FixedWidthScan(text)
                .skip()
                .number(2, rr)
                .number(static_cast<int>(lineWidth), line)
                .skip();
            char numbers[48];
            std::snprintf(numbers, sizeof numbers, mlr2000 ? "%02d, LLL=%03d" : "%02d, L=%01d",
                          static_cast<int>(rr), static_cast<int>(line));
            description.append(numbers);
        }
        description.append(", Account=");
        description.append(account);
        description.append(", EventCode=");
        description.append(event);
        decoded.description.assign(description.view());
    }
    decoded.account.assign(account);
    decoded.siaBlock.assign(siaBlockText(text));
    return decoded;
}

// "0": the receiver's own status, SIA-coded ("0RRLLL[#0000|NRP0000]"). Counted as a private
// message with no description; its block gives the records its meaning.
Decoded decodePrivate(std::string_view text) {
    Decoded decoded = recognised(MessageKind::Private, Decoded::Note::Private);
    decoded.siaBlock.assign(siaBlockText(text));
    return decoded;
}

// Line types of the receivers whose fields are not read: named, their text after the header
// shown as it is.
struct OtherFormat {
    char id;
    std::string_view name;
};
constexpr std::array kOtherFormats = {
    OtherFormat{'e', "ADT pulse extended"},
    OtherFormat{'R', "Modem II as SIA"},
    OtherFormat{'F', "Silent Knight FSK"},
    OtherFormat{'C', "Silent Knight FSK"},
    OtherFormat{'J', "FBI"},
    OtherFormat{'L', "Outel"},
    OtherFormat{'N', "Stratel"},
    OtherFormat{'P', "DMP"},
    OtherFormat{'T', "Telenot"},
    OtherFormat{'V', "VONK"},
    OtherFormat{'Y', "Surtec"},
    OtherFormat{'W', "Westec"},
    OtherFormat{'u', "Calling name"},
    OtherFormat{'U', "International caller ID"},
    OtherFormat{'s', "SIM number"},
    // Sent with the receivers' clock, their layout unpublished.
    OtherFormat{'7', "ID 7"},
    OtherFormat{'9', "ID 9"},
    OtherFormat{'A', "ID A"},
    OtherFormat{'D', "ID D"},
};

std::string_view otherFormatName(char id) {
    for (const OtherFormat& format : kOtherFormats) {
        if (format.id == id) {
            return format.name;
        }
    }
    return {};
}

Decoded decodeOtherFormat(std::string_view text, ReceiverType type, std::string_view name) {
    static constexpr std::array kData = {LineField{"Data", 0, 0xFFFF, FieldRule::Any, true}};
    const std::size_t header = type == ReceiverType::Mlr2 ? 4 : 6;
    const std::size_t width = text.size() > header ? text.size() - header - 1 : 0;
    const LineLayout layout{name, name, width, false, kData};
    return decodeFixed(text, type, layout, MessageKind::OtherFormat);
}

}  // namespace

Decoded decodeSurGard(std::string_view message, ReceiverType type) {
    // Every layout sees the message as the C text it is logged as.
    const std::string_view text = untilFirstZero(message);
    const char id = text.empty() ? '\0' : text.front();
    switch (id) {
        case '0':
            return decodePrivate(text);
        case '1':
            return decodeIdOne(text, type);
        case 'S':
            return decodeSia(text, type);
        case 'Q':
        case '5':
            return decodeContactId(text, type);
        case '3':
            return decodeFixed(text, type, kSia1Line, MessageKind::Sia1);
        case '4':
            return decodeFixed(text, type, kCallerIdLine, MessageKind::CallerId);
        case '6':
            return decodeFixed(text, type, kBfskLine, MessageKind::Bfsk);
        case '8':
            return decodeFixed(text, type, kAdemcoLine, MessageKind::Ademco);
        default:
            break;
    }
    if (const std::string_view name = otherFormatName(id); !name.empty()) {
        return decodeOtherFormat(text, type, name);
    }
    Decoded unknown;
    unknown.note = Decoded::Note::Unknown;
    return unknown;
}

}  // namespace corvane
