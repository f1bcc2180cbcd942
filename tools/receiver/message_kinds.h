// The kinds of message the simulated receiver sends, and the two protocols they belong to.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace corvane::sim {

enum class Protocol { SurGard, SiaDcs };
enum class ReceiverType { Mlr2000, Mlr2 };
// How Contact ID lines write their qualifier: E/R/P as receivers' automation output does, or the
// panel's digits 1/3/6.
enum class Qualifier { Letter, Digit };

enum class Kind {
    Heartbeat,   // Sur-Gard ID 1 receiver heartbeat
    Cid,         // Sur-Gard ID 5 Contact ID, 4-character account
    Cid10,       // Sur-Gard ID Q Contact ID, 10-character account
    Sia,         // Sur-Gard ID S SIA event
    Private,     // Sur-Gard ID 0 receiver internal status
    Signal,      // Sur-Gard ID 1 basic signal: alarm, restore, opening, closing
    LineStatus,  // Sur-Gard ID 1 line card status (account 0000)
    Audio,       // Sur-Gard ID 1 two-way audio notice (account 0000)
    Sia1,        // Sur-Gard ID 3 SIA protocol 1
    CallerId,    // Sur-Gard ID 4 telephone number
    Bfsk,        // Sur-Gard ID 6 BFSK (Modem II)
    Ademco,      // Sur-Gard ID 8 Ademco high speed
    Dc09,        // SIA-DCS event frame
    Null,        // SIA-DCS NULL link test
    AdmCid,      // SIA-DCS "ADM-CID" frame: Contact ID inside DC-09
};

std::string_view kindName(Kind kind);
Protocol protocolOf(Kind kind);

// The width of the kind's account field; 0 when it carries none of the receiver's own.
std::size_t accountWidth(Kind kind);

// "heartbeat,cid,sia" (any case) -> the kinds in that order; nullopt for an unknown or empty name.
std::optional<std::vector<Kind>> parseKinds(std::string_view list);
std::string kindList(const std::vector<Kind>& kinds);
// Every kind name of the protocol, separated by ", " (for the help).
std::string allKindNames(Protocol protocol);

// What a receiver of the protocol sends when no kinds are chosen.
std::vector<Kind> defaultKinds(Protocol protocol);

}  // namespace corvane::sim
