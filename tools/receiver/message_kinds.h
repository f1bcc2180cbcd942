// The kinds of message the simulated receiver sends, and the two protocols they belong to.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace corvane::sim {

enum class Protocol { SurGard, SiaDcs };
enum class ReceiverType { Mlr2000, Mlr2 };

enum class Kind {
    Heartbeat,  // Sur-Gard "1" receiver heartbeat
    Cid,        // Sur-Gard "5" Contact ID, 4-digit account
    Cid10,      // Sur-Gard "Q" Contact ID, 10-digit account
    Sia,        // Sur-Gard "S" SIA event
    Private,    // Sur-Gard "0" receiver private message
    Dc09,       // SIA-DCS event frame
    Null,       // SIA-DCS NULL link test
    AdmCid,     // SIA-DCS "ADM-CID" frame: Contact ID inside DC-09
};

std::string_view kindName(Kind kind);
Protocol protocolOf(Kind kind);

// "heartbeat,cid,sia" -> the kinds in that order; nullopt for an unknown or empty name.
std::optional<std::vector<Kind>> parseKinds(std::string_view list);
std::string kindList(const std::vector<Kind>& kinds);

// What a receiver of the protocol sends when no kinds are chosen.
std::vector<Kind> defaultKinds(Protocol protocol);

}  // namespace corvane::sim
