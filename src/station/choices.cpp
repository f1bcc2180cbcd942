#include "station/choices.h"

#include <iterator>

namespace corvane {

std::string_view protocolName(Protocol protocol) {
    switch (protocol) {
        case Protocol::SurGard:
            return "Sur-Gard";
        case Protocol::SiaDcs:
            return "SIA-DCS";
        case Protocol::None:
            break;
    }
    return "";
}

Protocol protocolNamed(std::string_view name) {
    if (name == "Sur-Gard") {
        return Protocol::SurGard;
    }
    return name == "SIA-DCS" ? Protocol::SiaDcs : Protocol::None;
}

std::string_view linkModeName(LinkMode mode) {
    return mode == LinkMode::Client ? "Client" : "Server";
}

LinkMode linkModeNamed(std::string_view name) {
    return name == "Client" ? LinkMode::Client : LinkMode::Server;
}

std::string_view receiverTypeName(ReceiverType type) {
    switch (type) {
        case ReceiverType::Mlr2000:
            return "MLR2000";
        case ReceiverType::Mlr2:
            return "MLR2";
        case ReceiverType::Other:
            break;
    }
    return "";
}

ReceiverType receiverTypeNamed(std::string_view name) {
    if (name == "MLR2000") {
        return ReceiverType::Mlr2000;
    }
    return name == "MLR2" ? ReceiverType::Mlr2 : ReceiverType::Other;
}

namespace {

constexpr std::string_view kPolicyNames[] = {"ack-all", "nack-all", "nack-all-but-heartbeats",
                                             "custom-all", "custom-all-but-heartbeats"};

}  // namespace

std::string_view responsePolicyName(ResponseMode mode) {
    const int place = responseModePlace(mode);
    return place >= 0 ? kPolicyNames[place] : "";
}

std::span<const std::string_view> responsePolicyNames() {
    return kPolicyNames;
}

ResponseMode responsePolicyNamed(std::string_view name) {
    for (int place = 0; place < static_cast<int>(std::size(kPolicyNames)); ++place) {
        if (kPolicyNames[place] == name) {
            return responseModeAt(place);
        }
    }
    return ResponseMode::None;
}

}  // namespace corvane
