#include "receiver/message_kinds.h"

#include <array>
#include <utility>

#include "station_cli/cli_conventions.h"

namespace corvane::sim {

namespace {

struct KindInfo {
    Kind kind;
    std::string_view name;
    std::size_t accountWidth;
};

constexpr std::array<KindInfo, 15> kKinds{{
    {Kind::Heartbeat, "heartbeat", 0},
    {Kind::Cid, "cid", 4},
    {Kind::Cid10, "cid10", 10},
    {Kind::Sia, "sia", 16},
    {Kind::Private, "private", 0},
    {Kind::Signal, "signal", 6},
    {Kind::LineStatus, "line-status", 0},
    {Kind::Audio, "audio", 0},
    {Kind::Sia1, "sia1", 6},
    {Kind::CallerId, "caller-id", 6},
    {Kind::Bfsk, "bfsk", 10},
    {Kind::Ademco, "ademco", 4},
    {Kind::Dc09, "dc09", 16},
    {Kind::Null, "null", 16},
    {Kind::AdmCid, "adm-cid", 16},
}};

const KindInfo* infoOf(Kind kind) {
    for (const KindInfo& info : kKinds) {
        if (info.kind == kind) {
            return &info;
        }
    }
    return nullptr;
}

}  // namespace

std::string_view kindName(Kind kind) {
    const KindInfo* info = infoOf(kind);
    return info != nullptr ? info->name : "?";
}

Protocol protocolOf(Kind kind) {
    return kind == Kind::Dc09 || kind == Kind::Null || kind == Kind::AdmCid ? Protocol::SiaDcs
                                                                            : Protocol::SurGard;
}

std::size_t accountWidth(Kind kind) {
    const KindInfo* info = infoOf(kind);
    return info != nullptr ? info->accountWidth : 0;
}

std::optional<std::vector<Kind>> parseKinds(std::string_view list) {
    std::vector<std::string> names;
    for (const KindInfo& info : kKinds) {
        names.emplace_back(info.name);
    }
    std::vector<Kind> kinds;
    while (true) {
        const auto comma = list.find(',');
        const auto name = cli::matchName(list.substr(0, comma), names);
        if (!name) {
            return std::nullopt;
        }
        for (const KindInfo& info : kKinds) {
            if (info.name == *name) {
                kinds.push_back(info.kind);
            }
        }
        if (comma == std::string_view::npos) {
            return kinds;
        }
        list.remove_prefix(comma + 1);
    }
}

std::string kindList(const std::vector<Kind>& kinds) {
    std::string text;
    for (Kind kind : kinds) {
        if (!text.empty()) {
            text += ',';
        }
        text += kindName(kind);
    }
    return text;
}

std::string allKindNames(Protocol protocol) {
    std::vector<Kind> kinds;
    for (const KindInfo& info : kKinds) {
        if (protocolOf(info.kind) == protocol) {
            kinds.push_back(info.kind);
        }
    }
    std::string text;
    for (Kind kind : kinds) {
        text += (text.empty() ? "" : ", ") + std::string(kindName(kind));
    }
    return text;
}

std::vector<Kind> defaultKinds(Protocol protocol) {
    if (protocol == Protocol::SiaDcs) {
        return {Kind::Dc09, Kind::Null};
    }
    return {Kind::Heartbeat, Kind::Cid, Kind::Cid10, Kind::Sia, Kind::Private};
}

}  // namespace corvane::sim
