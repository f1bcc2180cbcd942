// The five message counters and the heartbeat tick. The msgPro worker raises the counters and
// renews the tick as it decodes; the link events set the tick; the one-second timer reads both.
// Each value is read and written whole (atomics), without a lock. Beside them, the server's
// receivers' own ticks (ReceiverWatch, under its own lock): the worker renews the tick of the
// receiver a recognised message came from.
#pragma once

#include <atomic>
#include <cstdint>

#include "station/receiver_watch.h"

namespace corvane {

struct Counts {
    std::int64_t cid = 0;
    std::int64_t sia = 0;
    std::int64_t sgHeartbeat = 0;
    std::int64_t sgPrivate = 0;
    std::int64_t deviceHeart = 0;
    bool operator==(const Counts&) const = default;
};

struct Counters {
    std::atomic<std::int64_t> m_cidCount{0};
    std::atomic<std::int64_t> m_siaCount{0};
    std::atomic<std::int64_t> m_sgHeartbeatCount{0};
    std::atomic<std::int64_t> m_sgPrivateCount{0};
    std::atomic<std::int64_t> m_deviceHeartCount{0};
    std::atomic<std::uint32_t> m_lastHeartbeatTick{0};
    // Server mode: each receiver's last sign of life, which the heartbeat check reads.
    ReceiverWatch m_receiverWatch;

    std::uint32_t getLastHeartbeatTick() const { return m_lastHeartbeatTick.load(); }
    void setLastHeartbeatTick(std::uint32_t tick) { m_lastHeartbeatTick.store(tick); }

    Counts counts() const {
        return {m_cidCount.load(), m_siaCount.load(), m_sgHeartbeatCount.load(),
                m_sgPrivateCount.load(), m_deviceHeartCount.load()};
    }
};

}  // namespace corvane
