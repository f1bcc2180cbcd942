// The station's events as JSON objects: what corvane-station --json prints, one a line, and what
// a live event stream sends. Every object starts with its "type", the schema version and the UTC
// time of the event ("2026-12-07T13:14:52.123456Z"), and is built from the station's own values
// (records, link reports), never from log text. Each function returns one object without a line
// end.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "record/message_record.h"

namespace corvane::events {

// Raised when a field changes meaning or goes away; new fields keep it.
inline constexpr int kSchemaVersion = 1;

// The server listens: where ("0.0.0.0", "::1") and on which port.
struct Listening {
    std::int64_t timeUs = 0;
    std::string address;
    int port = 0;
};
// A receiver connection came up (server), or the client link connected.
struct Connected {
    std::int64_t timeUs = 0;
    std::uint64_t connection = 0;
    std::string peer;  // "address:port"
};
// A receiver connection went away.
struct Lost {
    std::int64_t timeUs = 0;
    std::uint64_t connection = 0;
    std::string peer;  // empty when not known
};
// An answer that left after its message's event (a script's DELAY).
struct Answer {
    std::int64_t timeUs = 0;     // when it left, or when it was given up
    std::uint64_t sequence = 0;  // its message's record; 0 when no longer held
    std::uint64_t connection = 0;
    const Reply& reply;
    std::string_view bytes;       // as sent
    std::int64_t latencyUs = -1;  // -1 when it was not sent
};
// The link stopped; `cause` says why ("SIGTERM", "duration", "link drop", ...).
struct Stopped {
    std::int64_t timeUs = 0;
    std::string cause;
};

std::string eventJson(const Listening& event);
std::string eventJson(const Connected& event);
std::string eventJson(const Lost& event);
std::string eventJson(const Answer& event);
std::string eventJson(const Stopped& event);
// A message: every field of its record in the records export, under the same names, and the
// account and events the decoder read ("events": SIA events as objects, a Contact ID event as
// {"qualifier","code"}). `account` is the Decoded's, which the record does not keep.
std::string eventJson(const MessageRecord& record, std::string_view account);

// The opening of an event object: {"type":"TYPE","schema":1,"time":"..." without the closing
// brace, for events built elsewhere (the run's summary).
std::string eventHead(std::string_view type, std::int64_t timeUs);

// Where events go. The station's worker thread publishes connected, lost, message and answer
// events as it takes them from its queue; the run publishes the others. publish must not wait
// for anyone: a slow reader drops events, never holds up the station.
class EventSink {
  public:
    virtual ~EventSink() = default;
    virtual void publish(std::string_view type, std::string json) = 0;
    // False while nobody would read an event: the worker then builds none (any thread, cheap).
    virtual bool listened() const { return true; }
};

}  // namespace corvane::events
