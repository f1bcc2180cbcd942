// What the station counted this run: messages by kind, answers by word, one row per receiver
// connection (peer, since, lost, counts, latencies), one latency histogram for all answers, and
// messages and mean latency per second of receipt for the last ten minutes and more.
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

namespace corvane {

struct ReceiverRow {
    std::uint64_t connection = 0;
    std::string peer;
    std::int64_t connectedUs = 0;    // when the link saw it connect (else its first message)
    std::int64_t lostUs = 0;         // 0 while connected
    std::int64_t lastMessageUs = 0;  // 0 before its first message
    std::array<std::uint64_t, kMessageKindCount> byKind{};
    std::array<std::uint64_t, kAnswerWordCount> byWord{};
    LatencyHistogram latency;
};

struct TallyTotals {
    std::uint64_t messages = 0;
    std::array<std::uint64_t, kMessageKindCount> byKind{};
    std::array<std::uint64_t, kAnswerWordCount> byWord{};
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
    void lost(std::uint64_t connection, std::int64_t us);
    // Every connection still up is lost at `us` (the link was stopped).
    void lostAll(std::int64_t us);
    // One message, with the word it was answered with and the latency of an answer already sent
    // (-1 while it waits or when nothing was sent).
    void message(std::uint64_t connection, const std::string& peer, std::int64_t receivedUs,
                 MessageKind kind, AnswerWord word, std::int64_t latencyUs);
    // What a message's bytes and its DC-09 reading add: its size, and whether its time stamp lay
    // outside the window.
    void received(std::size_t bytes, bool outsideWindow);
    // An answer sent after its message (received at `receivedUs`) was counted.
    void lateAnswer(std::uint64_t connection, std::int64_t receivedUs, std::int64_t latencyUs);
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

// "address" of an "address:port" peer text.
std::string receiverAddress(const std::string& peer);

}  // namespace corvane
