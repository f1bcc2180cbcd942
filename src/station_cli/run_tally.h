// What corvane-station learns of each decoded message for its summary: how it was answered, how
// fast, and from which receiver. Bounded: counters, a histogram and at most kAddressLimit
// receiver addresses, however long the run.
#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>

#include "pipeline/received_message.h"
#include "station_cli/latency_histogram.h"

namespace corvane::cli {

struct TallySnapshot {
    std::uint64_t messages = 0;
    std::map<std::string, std::uint64_t> answers;    // by word
    std::map<std::string, std::uint64_t> addresses;  // messages by receiver address
    std::uint64_t otherAddresses = 0;                // messages from addresses past the limit
    LatencyHistogram latency;
};

class RunTally {
  public:
    static constexpr std::size_t kAddressLimit = 64;

    explicit RunTally(std::string protocol) : m_protocol(std::move(protocol)) {}

    // The msgPro worker, or the main thread once the worker has ended.
    void add(const ReceivedMessage& message);
    std::uint64_t messages() const { return m_messages.load(); }
    TallySnapshot snapshot() const;

  private:
    const std::string m_protocol;
    std::atomic<std::uint64_t> m_messages{0};
    mutable std::mutex m_mutex;  // guards m_tally
    TallySnapshot m_tally;
};

// "address" of an "address:port" peer text.
std::string receiverAddress(const std::string& peer);

}  // namespace corvane::cli
