#include "receiver/message_generator.h"

#include <array>
#include <cstdio>

#include "receiver/dc09_frame.h"

namespace corvane::sim {

namespace {

constexpr char kTerminator = '\x14';
constexpr std::array<int, 5> kCidEvents{130, 602, 401, 110, 301};
constexpr std::array<const char*, 6> kSiaCodes{"BA", "BR", "FA", "FH", "OP", "CL"};
// Contact ID qualifiers in turn: new event (or opening), restore (or closing), previous event.
constexpr std::array<char, 3> kLetterQualifiers{'E', 'R', 'P'};
constexpr std::array<char, 3> kDigitQualifiers{'1', '3', '6'};
// The receiver's own status: power up, phone line trouble and restore, communication failure
// and restore, automatic test.
constexpr std::array<const char*, 6> kStatusCodes{"RR", "LT", "LR", "YC", "YK", "RP"};

struct BasicSignal {
    char event;
    char area;
    int zone;  // or user, for openings and closings
};
// Alarm and restore of zone 3 in area 1, opening of area 2 by user 15, closing of area 1 by 128.
constexpr std::array<BasicSignal, 4> kSignals{
    {{'A', '1', 3}, {'R', '1', 3}, {'O', '2', 15}, {'C', '1', 128}}};
// Line card notices: bad data, phone line fault, phone line restore, a call without data.
constexpr std::array<std::pair<char, const char*>, 4> kLineNotices{
    {{'T', "10"}, {'A', "20"}, {'R', "30"}, {'T', "40"}}};
constexpr std::string_view kBfskEvents = "123456789BCDEF";

template <typename... Args>
std::string format(const char* fmt, Args... args) {
    char buffer[128];
    const int n = std::snprintf(buffer, sizeof buffer, fmt, args...);
    return std::string(buffer, n > 0 ? static_cast<std::size_t>(n) : 0U);
}

std::string padded(std::string_view text, std::size_t width, char fill) {
    return text.size() >= width ? std::string(text)
                                : std::string(width - text.size(), fill) + std::string(text);
}

}  // namespace

std::string surGardLine(ReceiverType type, char id, bool receiverOwn, std::string_view body) {
    std::string text(1, id);
    text += "01";  // RR
    if (type == ReceiverType::Mlr2000) {
        text += receiverOwn ? "000" : "001";
    } else {
        text += receiverOwn ? "0" : "1";
    }
    text += body;
    text += kTerminator;
    return text;
}

std::string heartbeatLine(ReceiverType type) {
    return std::string(type == ReceiverType::Mlr2000 ? "101000" : "1011") + std::string(11, ' ') +
           "@" + std::string(4, ' ') + kTerminator;
}

std::string receiverClock(std::time_t now) {
    std::tm t{};
    localtime_r(&now, &t);
    return format("%02d:%02d:%02d-%02d/%02d", t.tm_hour, t.tm_min, t.tm_sec, t.tm_mday,
                  t.tm_mon + 1);
}

MessageGenerator::MessageGenerator(const RunOptions& options, int connectionIndex)
    : m_options(options), m_index(connectionIndex) {}

Message MessageGenerator::next(Kind kind) {
    switch (kind) {
        case Kind::Dc09:
            return dc09Event();
        case Kind::Null:
            return nullLinkTest();
        case Kind::AdmCid:
            return admCid();
        default:
            return {kind, surGard(kind), {}, {}};
    }
}

std::string MessageGenerator::account(std::size_t width, char fill) const {
    const std::string own =
        m_options.account.empty() ? format("%04d", (1000 + m_index) % 10000) : m_options.account;
    return padded(own, width, fill);
}

std::string MessageGenerator::clock() const {
    return m_options.clock ? receiverClock(std::time(nullptr)) : std::string();
}

std::string MessageGenerator::contactId(std::size_t accountWidth, std::string_view format18) {
    const std::uint32_t n = m_cidCount++;
    const int event = kCidEvents[n % kCidEvents.size()];
    const auto& qualifiers =
        m_options.qualifier == Qualifier::Letter ? kLetterQualifiers : kDigitQualifiers;
    std::string body = " " + std::string(format18);
    body += accountWidth == 10 && m_options.account.empty() ? format("%010d", 123450000 + m_index)
                                                            : account(accountWidth, '0');
    body += qualifiers[(n / kCidEvents.size()) % qualifiers.size()];
    body += format("%03d%02u%03u", event, event == 602 ? 0U : 1U, event == 602 ? 0U : n % 1000U);
    return body;
}

std::string MessageGenerator::surGard(Kind kind) {
    const ReceiverType type = m_options.receiverType;
    const std::uint32_t n = m_counts[static_cast<int>(kind)]++;
    switch (kind) {
        case Kind::Heartbeat:
            return heartbeatLine(type);
        case Kind::Cid:
            return surGardLine(type, '5', false, contactId(4, "18") + clock());
        case Kind::Cid10:
            return surGardLine(type, 'Q', false, contactId(10, "58"));
        case Kind::Sia:
            return surGardLine(type, 'S', false,
                               "[#" + account(0, ' ') + "|Nri1/" + kSiaCodes[n % kSiaCodes.size()] +
                                   format("%02u]", n % 100U));
        case Kind::Private:
            return surGardLine(
                type, '0', true,
                std::string("[#0000|N") + kStatusCodes[n % kStatusCodes.size()] + "0001]");
        case Kind::Signal: {
            const BasicSignal& s = kSignals[n % kSignals.size()];
            return surGardLine(type, '1', false,
                               "    " + account(6, ' ') + " " + s.event + s.area +
                                   format("%03d", s.zone) + clock());
        }
        case Kind::LineStatus: {
            const auto& [event, code] = kLineNotices[n % kLineNotices.size()];
            return surGardLine(type, '1', false,
                               std::string("      0000 ") + event + "  " + code + clock());
        }
        case Kind::Audio:  // "0" and the line digit
            return surGardLine(type, '1', false, "      0000 P  01" + clock());
        case Kind::Sia1:
            return surGardLine(type, '3', false,
                               "    " + account(6, ' ') + kSiaCodes[n % kSiaCodes.size()] +
                                   format("%04u", n % 10000U) + clock());
        case Kind::CallerId:
            return surGardLine(type, '4', false,
                               account(6, ' ') + format("514555%04u", n % 10000U) + clock());
        case Kind::Bfsk:
            return surGardLine(type, '6', false,
                               account(10, ' ') + " " + kBfskEvents[n % kBfskEvents.size()] +
                                   format(" %03u", n % 1000U + 1U) + clock());
        case Kind::Ademco: {
            // Channel n % 8 + 1 reports an alarm (1), then a restore (3); the others are normal.
            std::string channels(8, '5');
            channels[n % 8] = (n / 8) % 2 == 0 ? '1' : '3';
            return surGardLine(type, '8', false,
                               account(4, '0') + " " + channels.substr(0, 4) + " " +
                                   channels.substr(4) + " 5" + clock());
        }
        default:
            return {};
    }
}

Message MessageGenerator::dc09Event() {
    const std::uint32_t n = m_counts[static_cast<int>(Kind::Sia)]++;
    const std::string acct = account(0, '0');
    const std::string echo =
        nextSequence() + format("R%XL1#", static_cast<unsigned>(m_index + 1)) + acct;
    return dc09Message(
        Kind::Dc09, "SIA-DCS", echo, acct,
        "#" + acct + "|Nri1/" + kSiaCodes[n % kSiaCodes.size()] + format("%02u", n % 100U) + "]");
}

Message MessageGenerator::admCid() {
    const std::uint32_t n = m_cidCount++;
    const std::string acct = account(0, '0');
    const std::string echo =
        nextSequence() + format("R%XL1#", static_cast<unsigned>(m_index + 1)) + acct;
    const int event = kCidEvents[n % kCidEvents.size()];
    // DC-09 writes the Contact ID qualifier as the panel's digit.
    return dc09Message(Kind::AdmCid, "ADM-CID", echo, acct,
                       "#" + acct +
                           format("|1%03d %02u %03u]", event, event == 602 ? 0U : 1U,
                                  event == 602 ? 0U : n % 1000U));
}

Message MessageGenerator::dc09Message(Kind kind, std::string_view token, const std::string& echo,
                                      const std::string& acct, const std::string& data) {
    const std::string key = m_options.keys.forAccount(acct);
    if (key.empty()) {
        return {kind, dc09Frame("\"" + std::string(token) + "\"" + echo + "[" + data), echo, {}};
    }
    return {kind,
            dc09Frame(encryptedBody(token, echo, data, key, std::time(nullptr), m_options.pad)),
            echo, key};
}

Message MessageGenerator::nullLinkTest() {
    const std::string acct = account(0, '0');
    const std::string echo = nextSequence() + "R0L0#" + acct;
    return dc09Message(Kind::Null, "NULL", echo, acct, "]");
}

std::string MessageGenerator::nextSequence() {
    return format("%04u", m_sequence++ % 9999U + 1U);
}

}  // namespace corvane::sim
