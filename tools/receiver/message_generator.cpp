#include "receiver/message_generator.h"

#include <array>
#include <cstdio>
#include <ctime>

#include "receiver/dc09_frame.h"

namespace corvane::sim {

namespace {

constexpr char kTerminator = '\x14';
constexpr std::array<int, 5> kCidEvents{130, 602, 401, 110, 301};
constexpr std::array<const char*, 6> kSiaCodes{"BA", "BR", "FA", "FH", "OP", "CL"};

template <typename... Args>
std::string format(const char* fmt, Args... args) {
    char buffer[128];
    const int n = std::snprintf(buffer, sizeof buffer, fmt, args...);
    return std::string(buffer, n > 0 ? static_cast<std::size_t>(n) : 0U);
}

}  // namespace

MessageGenerator::MessageGenerator(ReceiverType type, int connectionIndex, const SimKeys* keys)
    : m_type(type), m_keys(keys), m_index(connectionIndex) {}

Message MessageGenerator::next(Kind kind) {
    switch (kind) {
        case Kind::Heartbeat:
            return {kind, std::string("1011           @    ") + kTerminator, {}, {}};
        case Kind::Cid:
            return {kind, cid('5', 4), {}, {}};
        case Kind::Cid10:
            return {kind, cid('Q', 10), {}, {}};
        case Kind::Sia: {
            const std::uint32_t n = m_siaCount++;
            std::string text = surGardPrefix('S');
            text += format(" [#%04d|Nri1/%s%02u]", (1000 + m_index) % 10000,
                           kSiaCodes[n % kSiaCodes.size()], n % 100U);
            text += kTerminator;
            return {kind, text, {}, {}};
        }
        case Kind::Private: {
            std::string text = surGardPrefix('0');
            text += format(" PRIVATE %04u", m_privateCount++ % 10000U);
            text += kTerminator;
            return {kind, text, {}, {}};
        }
        case Kind::Dc09:
            return dc09Event();
        case Kind::Null:
            return nullLinkTest();
        case Kind::AdmCid:
            return admCid();
    }
    return {kind, {}, {}, {}};
}

std::string MessageGenerator::surGardPrefix(char kindChar) const {
    std::string text(1, kindChar);
    text += "01";                                           // RR
    text += m_type == ReceiverType::Mlr2000 ? "001" : "1";  // LLL or L
    return text;
}

std::string MessageGenerator::cid(char kindChar, int accountDigits) {
    const std::uint32_t n = m_cidCount++;
    const int event = kCidEvents[n % kCidEvents.size()];
    const char qualifier = (n / kCidEvents.size()) % 2 == 0 ? '1' : '3';  // new event / restore
    std::string text = surGardPrefix(kindChar);
    text += " 18";
    if (accountDigits == 10) {
        text += format("%010d", 123450000 + m_index);
    } else {
        text += format("%04d", (1000 + m_index) % 10000);
    }
    text += qualifier;
    text += format("%03d%02u%03u", event, event == 602 ? 0U : 1U, event == 602 ? 0U : n % 1000U);
    text += kTerminator;
    return text;
}

Message MessageGenerator::dc09Event() {
    const std::uint32_t n = m_siaCount++;
    const std::string account = format("%04d", (1000 + m_index) % 10000);
    const std::string echo =
        nextSequence() + format("R%XL1#", static_cast<unsigned>(m_index + 1)) + account;
    return dc09Message(Kind::Dc09, "SIA-DCS", echo, account,
                       "#" + account + "|Nri1/" + kSiaCodes[n % kSiaCodes.size()] +
                           format("%02u", n % 100U) + "]");
}

Message MessageGenerator::admCid() {
    const std::uint32_t n = m_cidCount++;
    const std::string account = format("%04d", (1000 + m_index) % 10000);
    const std::string echo =
        nextSequence() + format("R%XL1#", static_cast<unsigned>(m_index + 1)) + account;
    const int event = kCidEvents[n % kCidEvents.size()];
    return dc09Message(Kind::AdmCid, "ADM-CID", echo, account,
                       "#" + account +
                           format("|1%03d %02u %03u]", event, event == 602 ? 0U : 1U,
                                  event == 602 ? 0U : n % 1000U));
}

Message MessageGenerator::dc09Message(Kind kind, std::string_view token, const std::string& echo,
                                      const std::string& account, const std::string& data) {
    const std::string key = m_keys != nullptr ? m_keys->forAccount(account) : std::string();
    if (key.empty()) {
        return {kind, dc09Frame("\"" + std::string(token) + "\"" + echo + "[" + data), echo, {}};
    }
    return {kind, dc09Frame(encryptedBody(token, echo, data, key, std::time(nullptr))), echo, key};
}

Message MessageGenerator::nullLinkTest() {
    const std::string account = format("%04d", (1000 + m_index) % 10000);
    const std::string echo = nextSequence() + "R0L0#" + account;
    return dc09Message(Kind::Null, "NULL", echo, account, "]");
}

std::string MessageGenerator::nextSequence() {
    return format("%04u", m_sequence++ % 9999U + 1U);
}

}  // namespace corvane::sim
