// What one corvane-station run is asked to do, as read from its command line.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "dc09/dc09_settings.h"
#include "remote/remote_service.h"
#include "station/choices.h"
#include "station_cli/message_kind.h"

namespace corvane::cli {

struct Expectation {
    CountedKind kind;
    std::int64_t count;  // met when the run counted exactly this many
};

struct StationOptions {
    // The link, in the station's own terms.
    Protocol protocol = Protocol::SurGard;
    bool client = false;  // Client mode connects to host:port; Server mode listens on port
    std::string host = "127.0.0.1";       // Client mode: an address or a host name
    std::string bindAddress = "0.0.0.0";  // Server mode: where to listen
    int port = 0;                         // Server mode: 0 picks a free port
    ReceiverType receiverType = ReceiverType::Mlr2000;
    int heartbeatInterval = 300;  // seconds; 0 turns supervision off

    // How messages are answered.
    ResponseMode responseMode = ResponseMode::AckAll;  // the window's five radio buttons
    std::string custom;
    // Answer scripts: switched on when `script` is not empty (checked when read).
    std::string script;
    std::string heartbeatScript;  // empty: heartbeats and link tests follow `script`

    // SIA-DCS DC-09 settings (keys read when the line is read); `dc09Given` when any was set.
    bool dc09Given = false;
    Dc09Config dc09;

    // When the run ends, and what it must have seen.
    double durationSeconds = 0;     // 0: no limit
    std::uint64_t maxMessages = 0;  // 0: no limit
    std::vector<Expectation> expectations;

    // What it prints.
    bool json = false;
    bool quiet = false;
    bool verbose = false;                 // the diagnostic log gets a line for every answer
    std::string exportPath;               // the message records, .csv or .jsonl; empty: none
    std::int64_t recordsMemoryMiB = 256;  // the most the records may hold

    // The metrics and control service; off unless an endpoint is given.
    remote::RemoteOptions remote;
};

}  // namespace corvane::cli
