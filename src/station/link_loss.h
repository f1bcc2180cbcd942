// How a receiver connection, or the client link, came to an end. Every loss is named by what
// really happened on the socket, whatever the supervision setting: the window, the activity log,
// the diagnostic log, the Receivers tab and corvane-station's summary all say the same.
#pragma once

#include <cstdint>

namespace corvane {

enum class LinkLoss : std::uint8_t {
    None,
    EndOfFile,       // the receiver closed the connection in order
    Reset,           // the receiver reset the connection
    Overflow,        // a message grew past the framing limit without its terminator
    ReadFailed,      // any other failure of a read
    SendFailed,      // an answer could not be handed to the receiver
    ClosedByScript,  // an answer script's CLOSE
    Stopped,         // the station stopped the link
};

// "end of file", "reset", "overflow", "read failed", "send failed", "closed by the answer
// script", "station stopped"; "" for None.
const char* linkLossName(LinkLoss loss);

// The loss a failed read with this errno stands for (0: the receiver closed in order).
LinkLoss lossOfReadError(int error);

}  // namespace corvane
