// One receiver connection, in client and server mode alike: it cuts the connection's bytes into
// messages, answers each (at once, or when its answer is due), queues each for the msgPro worker,
// and walks the answer scripts. The links differ only in how a connection starts and ends, and in
// how they wait: the loop that owns the sockets asks each session when its next answer is due.
//
// Back-pressure belongs to the session: it is not read while the queue to the worker is full, or
// while more than kMaxWaiting of its answers wait; the loop that owns the socket asks it
// (wantsToRead) before every wait, and keeps sending the answers that come due meanwhile.
//
// A session belongs to its receiving thread; nothing in it is shared.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "answer/answer_plan.h"
#include "answer/answer_scripts.h"
#include "dc09/dc09_settings.h"
#include "link/frame_reader.h"
#include "pipeline/activity_log.h"
#include "pipeline/message_queue.h"
#include "protocol/reply.h"
#include "station/link_loss.h"
#include "station/settings.h"

namespace corvane {

// Where a connection's answer bytes go.
class Wire {
  public:
    virtual ~Wire() = default;
    // Sends all of `bytes`: Reason::None, or why they did not all leave.
    virtual Delivery::Reason send(std::string_view bytes) = 0;
};

// What every session of a link reaches.
struct SessionContext {
    const Settings& settings;
    const Dc09Settings& dc09;
    answer::AnswerScripts& scripts;
    MessageQueue& queue;
    ActivityLog& log;  // notes the bytes of a message still open when a connection ends
    std::atomic<std::uint64_t>& serials;  // numbers the connections of this run, from 1
    FrameReader::Framing framing;         // how the link cuts its byte streams
    // Set while the link is stopping: messages not yet answered stay unanswered (null: never).
    const std::atomic<bool>* stopping = nullptr;
};

class Session {
  public:
    // A connection with more answers than this waiting is not read until some have left.
    static constexpr std::size_t kMaxWaiting = 10'000;

    // What the connection should do after a call.
    enum class Outcome {
        Open,        // go on
        Close,       // an answer script's CLOSE has come due
        SendFailed,  // an answer could not be sent (the delivery of its Reply says why)
        Overflow,    // a message grew past the framing limit without its terminator
    };

    // A new connection from `peer` (announced to the worker as connected).
    Session(const SessionContext& context, std::string peer, Wire& wire);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    std::uint64_t serial() const { return m_serial; }
    const std::string& peer() const { return m_peer; }

    // Takes bytes read at `readUtcUs` / `readSteadyUs` (steady clock): answers and queues every
    // complete message in them, in order. Stops at the first answer that cannot be sent.
    Outcome receive(std::string_view bytes, std::int64_t readUtcUs, std::int64_t readSteadyUs);
    // When (steady clock) the next waiting answer or CLOSE is due; nothing when none waits.
    std::optional<std::int64_t> nextDueUs() const;
    // Sends every answer due at `nowSteadyUs`, in order.
    Outcome sendDue(std::int64_t nowSteadyUs);
    // Whether the connection may be read now: the queue to the worker has room and no more than
    // kMaxWaiting answers wait.
    bool wantsToRead() const;
    // The link is stopping: answers held back by an answer script will not leave (unsent: the
    // station stopped); those waiting out the policy's pause (the SIA-DCS NACK All pause, and
    // the answers behind it) stay, to leave when due, unless held behind a script's answer or
    // due later than one pause from `nowSteadyUs`.
    void stopping(std::int64_t nowSteadyUs);
    // The connection has ended (`loss` says how): the bytes of a message still open are noted,
    // answers still waiting are not sent, for `why`; the worker hears that the receiver is lost,
    // with every answer it left unsent. Called once; later calls do nothing.
    void end(Delivery::Reason why, LinkLoss loss);

  private:
    struct Waiting {
        Reply reply;
        std::string bytes;
        std::int64_t dueUs = 0;  // steady clock
        std::int64_t readSteadyUs = 0;
        std::int64_t readUtcUs = 0;
        std::uint64_t index = 0;
        bool closeOnly = false;  // the CLOSE after a sent answer
    };

    Reply plan(std::string_view message, Dc09Reading& reading);
    // Sends one answer now; false when it could not leave.
    bool send(Reply& reply, const std::string& bytes, std::int64_t readSteadyUs, bool asPlanned);
    void wait(Waiting waiting);
    void closeAfter(const Reply& reply, std::int64_t sentSteadyUs);
    // Entries of m_waiting that are answers (a CLOSE that waits is none).
    std::size_t waitingAnswers() const;
    // Notes a waiting answer that will never leave, for `why`.
    void dropWaiting(Waiting& waiting, Delivery::Reason why);

    const SessionContext& m_context;
    Wire& m_wire;
    const std::uint64_t m_serial;
    const std::string m_peer;
    FrameReader m_reader;
    answer::ScriptCursor m_cursor;
    std::deque<Waiting> m_waiting;       // in due order: one connection's answers leave in order
    std::vector<UnsentAnswer> m_unsent;  // dropped before the end, for the worker to hear of
    std::size_t m_unsentLogged = 0;      // diagnostic lines written for unsent answers
    std::uint64_t m_messages = 0;        // messages answered so far: the next one's index
    bool m_closing = false;              // a CLOSE step was taken: later messages get no answer
    bool m_ended = false;
    std::vector<std::string> m_cut;  // reused for each read
};

}  // namespace corvane
