// What the link reports that no snapshot keeps: its latest state, and how many links were lost (a
// receiver that went away from the server, a client link the receiver closed, a link dropped for
// silence). The front end hands it every report its window gets, from any thread; the metrics and
// the status read it.
#pragma once

#include <atomic>
#include <cstdint>
#include <string_view>

#include "station/window.h"

namespace corvane::remote {

class LinkWatch {
  public:
    void linkChanged(const LinkReport& report);
    std::uint64_t linksLost() const { return m_lost.load(std::memory_order_relaxed); }
    LinkState state() const { return m_state.load(std::memory_order_relaxed); }

  private:
    std::atomic<std::uint64_t> m_lost{0};
    std::atomic<LinkState> m_state{LinkState::Idle};
};

// "idle", "starting", "listening", "connected", "stopped".
std::string_view linkStateName(LinkState state);

}  // namespace corvane::remote
