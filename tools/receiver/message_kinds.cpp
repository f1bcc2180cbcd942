#include "receiver/message_kinds.h"

#include <array>
#include <utility>

namespace corvane::sim {

namespace {

constexpr std::array<std::pair<Kind, std::string_view>, 8> kNames{{
    {Kind::Heartbeat, "heartbeat"},
    {Kind::Cid, "cid"},
    {Kind::Cid10, "cid10"},
    {Kind::Sia, "sia"},
    {Kind::Private, "private"},
    {Kind::Dc09, "dc09"},
    {Kind::Null, "null"},
    {Kind::AdmCid, "adm-cid"},
}};

}  // namespace

std::string_view kindName(Kind kind) {
    for (const auto& [k, name] : kNames) {
        if (k == kind) {
            return name;
        }
    }
    return "?";
}

Protocol protocolOf(Kind kind) {
    return kind == Kind::Dc09 || kind == Kind::Null || kind == Kind::AdmCid ? Protocol::SiaDcs
                                                                            : Protocol::SurGard;
}

std::optional<std::vector<Kind>> parseKinds(std::string_view list) {
    std::vector<Kind> kinds;
    while (true) {
        const auto comma = list.find(',');
        const std::string_view name = list.substr(0, comma);
        bool known = false;
        for (const auto& [k, n] : kNames) {
            if (n == name) {
                kinds.push_back(k);
                known = true;
            }
        }
        if (!known) {
            return std::nullopt;
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

std::vector<Kind> defaultKinds(Protocol protocol) {
    if (protocol == Protocol::SiaDcs) {
        return {Kind::Dc09, Kind::Null};
    }
    return {Kind::Heartbeat, Kind::Cid, Kind::Cid10, Kind::Sia, Kind::Private};
}

}  // namespace corvane::sim
