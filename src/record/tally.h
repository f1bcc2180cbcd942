// What the station counted this run: messages by kind, answers by what happened on the wire (sent,
// by word; unsent, by reason; still waiting), one row per receiver connection (peer, since, lost
// and how, counts, latencies), one latency histogram for all answers, and messages and mean
// latency per second of receipt for the last ten minutes and more. An answer that never left is
// counted as unsent, never under the word it would have been.
// The msgPro worker feeds it, once per message and once per late answer or link event it takes
// from the queue, so no receiving thread ever waits for it. Readers on any thread take snapshots
// under its short lock: the window's Receivers tab and chart, corvane-station's summary and
// --expect; a messages count without the lock.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "protocol/decoded.h"
#include "protocol/reply.h"
#include "record/latency_histogram.h"
#include "record/latency_steps.h"
#include "station/link_loss.h"

namespace corvane {

// Answers by what became of them: sent (or nothing to send) under their word, unsent by reason,
// or still waiting to leave.
struct AnswerCounts {
    std::array<std::uint64_t, kAnswerWordCount> byWord{};
    std::array<std::uint64_t, kDeliveryReasonCount> unsentBy{};
    std::uint64_t waiting = 0;

    std::uint64_t unsent() const;
    // Counts one answer as its delivery says (a waiting one as waiting).
    void count(AnswerWord word, const Delivery& delivery);
    // A waiting answer has left, or never will.
    void settle(AnswerWord word, const Delivery& delivery);
};

struct ReceiverRow {
    std::uint64_t connection = 0;
    std::string peer;
    std::int64_t connectedUs = 0;  // when the link saw it connect (else its first message)
    std::int64_t lostUs = 0;       // 0 while connected
    LinkLoss lostBy = LinkLoss::None;
    std::int64_t lastMessageUs = 0;  // 0 before its first message
    std::array<std::uint64_t, kMessageKindCount> byKind{};
    AnswerCounts answers;
    LatencyHistogram latency;
};

struct TallyTotals {
    std::uint64_t messages = 0;
    std::array<std::uint64_t, kMessageKindCount> byKind{};
    AnswerCounts answers;
    LatencyHistogram latency;
    LatencySteps latencySteps;        // the same answers against round bounds
    std::int64_t latencySumUs = 0;    // of every timed answer, for means over a span of time
    std::uint64_t connections = 0;    // receiver connections seen
    std::uint64_t bytes = 0;          // of the messages received (every framed byte)
    std::uint64_t outsideWindow = 0;  // frames whose time stamp lay outside the DC-09 window
    std::map<std::string, std::uint64_t> byAddress;  // messages by receiver address
    std::uint64_t otherAddresses = 0;                // messages from addresses past the limit
};

class Tally {
  public:
    static constexpr std::size_t kMaxRows = 1024;     // rows of lost connections give way
    static constexpr std::size_t kAddressLimit = 64;  // addresses counted one by one

    void connected(std::uint64_t connection, const std::string& peer, std::int64_t us);
    // Returns the connection's peer ("address:port"; empty when not known).
    std::string lost(std::uint64_t connection, std::int64_t us, LinkLoss loss = LinkLoss::None);
    // Every connection still up is lost at `us` (the link was stopped).
    void lostAll(std::int64_t us);
    // One message, with its answer's word and delivery: sent (timed from `receivedUs`), unsent,
    // or still waiting; its size in bytes, and whether its DC-09 time stamp lay outside the window.
    void message(std::uint64_t connection, const std::string& peer, std::int64_t receivedUs,
                 MessageKind kind, AnswerWord word, const Delivery& delivery, std::size_t bytes = 0,
                 bool outsideWindow = false);
    // The answer of a message counted while it waited (received at `receivedUs`) has left, or
    // never will.
    void answerSettled(std::uint64_t connection, std::int64_t receivedUs, AnswerWord word,
                       const Delivery& delivery);
    // Forgets the receiver rows (the totals go on).
    void clearReceivers();

    std::uint64_t messages() const { return m_messages.load(std::memory_order_relaxed); }
    // One UTC second: the messages received in it, and the answers to them timed so far.
    struct Second {
        std::int64_t second = 0;  // UTC seconds
        std::uint64_t messages = 0;
        std::uint64_t timed = 0;
        std::int64_t latencySumUs = 0;
    };
    // Seconds kept: the chart's ten minutes, and time for the last of them to settle.
    static constexpr std::size_t kSecondsKept = 640;
    // The seconds `from` to `to` (UTC seconds), oldest first, one entry each; seconds no longer
    // (or not yet) kept count nothing.
    std::vector<Second> seconds(std::int64_t from, std::int64_t to) const;
    TallyTotals totals() const;
    std::vector<ReceiverRow> receivers() const;
    // Receiver connections seen to connect and not yet lost.
    std::size_t connectedNow() const;

  private:
    struct Row {
        ReceiverRow shown;
        // The count its messages go to: its address's, or the others' (set at its first message).
        std::uint64_t* addressCount = nullptr;
    };
    Row& rowFor(std::uint64_t connection);
    void countLatency(ReceiverRow& row, std::int64_t latencyUs);
    std::uint64_t* addressCountOf(const std::string& peer);
    // The kept second `receivedUs` falls in, or null when it is older than the seconds kept.
    Second* secondOf(std::int64_t receivedUs);

    mutable std::mutex m_mutex;  // guards everything below
    TallyTotals m_totals;
    std::map<std::uint64_t, Row> m_rows;
    std::array<Second, kSecondsKept> m_seconds{};  // each at its second modulo kSecondsKept
    std::atomic<std::uint64_t> m_messages{0};
};

// Why the unsent answers never left: "connection lost" for one reason, "connection lost 384,
// station stopped 16" for several; "" when none is unsent.
std::string unsentReasonsText(const AnswerCounts& counts);

// "address" of an "address:port" peer text.
std::string receiverAddress(const std::string& peer);

}  // namespace corvane
