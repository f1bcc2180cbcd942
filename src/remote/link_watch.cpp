#include "remote/link_watch.h"

#include <array>

namespace corvane::remote {

void LinkWatch::linkChanged(const LinkReport& report) {
    m_state.store(report.state, std::memory_order_relaxed);
    const bool receiverLeft = report.state == LinkState::Listening && report.receiverLeft;
    const bool dropped =
        report.state == LinkState::Stopped &&
        (report.cause == StopCause::LinkLost || report.cause == StopCause::TimeOut);
    if (receiverLeft || dropped) {
        m_lost.fetch_add(1, std::memory_order_relaxed);
    }
}

std::string_view linkStateName(LinkState state) {
    constexpr std::array<std::string_view, 5> kNames = {"idle", "starting", "listening",
                                                        "connected", "stopped"};
    const auto place = static_cast<std::size_t>(state);
    return place < kNames.size() ? kNames[place] : "unknown";
}

}  // namespace corvane::remote
