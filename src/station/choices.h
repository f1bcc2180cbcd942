// The operator's choices as the station knows them: the protocol, the link mode, the receiver type
// and the response policy. Their texts ("Sur-Gard", "Client", "MLR2000", ...) are exact and
// case-sensitive, and are read and written only where a person or a file meets the station: the
// window's combo boxes, the command line, the records.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace corvane {

// None until the protocol question has been answered.
enum class Protocol : std::uint8_t { None, SurGard, SiaDcs };
enum class LinkMode : std::uint8_t { Client, Server };
// Other stands for a receiver-type text that is neither format: Sur-Gard lines then get no
// description.
enum class ReceiverType : std::uint8_t { Mlr2000, Mlr2, Other };

// The five radio buttons in their order; None when no button is checked (nothing is answered).
enum class ResponseMode : std::int8_t {
    None = -1,
    AckAll = 0,
    NackAll = 1,
    NackAllButHeartbeats = 2,
    CustomToAll = 3,
    CustomToAllButHeartbeats = 4,
};

// "Sur-Gard", "SIA-DCS"; "" for None. Reading: None for any other text.
std::string_view protocolName(Protocol protocol);
Protocol protocolNamed(std::string_view name);

// "Client", "Server". Reading: "Client" is Client, any other text Server.
std::string_view linkModeName(LinkMode mode);
LinkMode linkModeNamed(std::string_view name);

// "MLR2000", "MLR2"; "" for Other. Reading: Other for any other text.
std::string_view receiverTypeName(ReceiverType type);
ReceiverType receiverTypeNamed(std::string_view name);

// The radio button's place in its group (0..4), or -1; a place outside 0..4 is None.
inline int responseModePlace(ResponseMode mode) {
    return static_cast<int>(mode);
}
inline ResponseMode responseModeAt(int place) {
    return place >= 0 && place <= 4 ? static_cast<ResponseMode>(place) : ResponseMode::None;
}

// The policy as a rig names it (command line, control API): "ack-all", "nack-all",
// "nack-all-but-heartbeats", "custom-all", "custom-all-but-heartbeats"; "" for None. Reading: None
// for any other text.
std::string_view responsePolicyName(ResponseMode mode);
ResponseMode responsePolicyNamed(std::string_view name);
// The five names in the radio buttons' order.
std::span<const std::string_view> responsePolicyNames();
// Whether the policy answers with the custom answer.
inline bool usesCustomAnswer(ResponseMode mode) {
    return mode == ResponseMode::CustomToAll || mode == ResponseMode::CustomToAllButHeartbeats;
}

}  // namespace corvane
