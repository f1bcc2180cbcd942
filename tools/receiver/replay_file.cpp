#include "receiver/replay_file.h"

#include <map>

#include "record/record_import.h"

namespace corvane::sim {

namespace {

constexpr std::string_view kSiaDcsToken = "\"SIA-DCS\"";
constexpr std::string_view kNullToken = "\"NULL\"";

// The DC-09 text between the ID token and "[", which the answer copies.
std::string echoOf(const std::string& frame) {
    std::size_t token = frame.find(kSiaDcsToken);
    std::size_t length = kSiaDcsToken.size();
    if (token == std::string::npos) {
        token = frame.find(kNullToken);
        length = kNullToken.size();
    }
    if (token == std::string::npos) {
        return {};
    }
    const std::size_t open = frame.find('[', token);
    return frame.substr(token + length,
                        open == std::string::npos ? std::string::npos : open - token - length);
}

Kind kindOf(const std::string& raw, Protocol protocol) {
    if (protocol == Protocol::SiaDcs) {
        return raw.find(kSiaDcsToken) == std::string::npos ? Kind::Null : Kind::Dc09;
    }
    switch (raw.front()) {
        case '0':
            return Kind::Private;
        case 'S':
            return Kind::Sia;
        case '5':
            return Kind::Cid;
        case 'Q':
            return Kind::Cid10;
        default:
            return Kind::Heartbeat;
    }
}

}  // namespace

std::string loadReplay(const std::string& path, RunOptions& options) {
    Result<std::vector<ImportedMessage>> imported = importRecords(path);
    if (!imported) {
        return imported.error().why;
    }
    if (imported->empty()) {
        return path + ": holds no message to replay";
    }
    if (imported->front().protocol == "SIA-DCS") {
        options.protocol = Protocol::SiaDcs;
    } else if (imported->front().protocol == "Sur-Gard") {
        options.protocol = Protocol::SurGard;
    }
    const std::int64_t start = imported->front().receivedUs;
    std::map<std::uint64_t, std::size_t> slotOf;  // recorded connection -> replay connection
    options.replay.clear();
    for (ImportedMessage& m : *imported) {
        const auto [slot, added] = slotOf.emplace(m.connection, options.replay.size());
        if (added) {
            options.replay.emplace_back();
        }
        ReplayMessage r;
        r.atUs = std::max<std::int64_t>(0, m.receivedUs - start);
        r.kind = kindOf(m.raw, options.protocol);
        r.echo = options.protocol == Protocol::SiaDcs ? echoOf(m.raw) : std::string();
        r.bytes = std::move(m.raw);
        options.replay[slot->second].push_back(std::move(r));
    }
    return {};
}

}  // namespace corvane::sim
