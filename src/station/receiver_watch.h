// The last sign of life of each receiver connected to the server, so that the heartbeat check
// holds for every one of them: a silent receiver times out whoever else connects, sends or
// leaves meanwhile. The Accept thread notes an arrival (its socket), the select thread names it
// by its connection number once it has a session and notes its loss, the msgPro worker stamps
// the connection for each recognised message, and the one-second timer asks for the longest
// silence. One lock guards the table and is held for one short call at a time.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>

#include "platform/vexo.h"

namespace corvane {

class ReceiverWatch {
  public:
    static constexpr std::size_t kCapacity = Vexo_SetSize;  // the server's receiver limit

    // A receiver accepted on `socket` now (its silence starts); ignored when the table is full.
    void arrived(Vexo_Socket socket);
    // The receiver on `socket` is connection `connection` from now on.
    void named(Vexo_Socket socket, std::uint64_t connection);
    // Connection `connection` gave a sign of life now (nothing when it is not watched).
    void stamp(std::uint64_t connection);
    // The receiver on `socket` left; returns how many are still watched.
    std::size_t left(Vexo_Socket socket);
    void clear();

    std::size_t count() const { return m_count.load(); }
    // The longest silence among the receivers, in milliseconds (ticks taken modulo 2^32, now
    // read after every last sign of life); nothing while none is watched.
    std::optional<std::uint32_t> longestSilence() const;

  private:
    struct Receiver {
        Vexo_Socket socket = Vexo_InvalidSocket;
        std::uint64_t connection = 0;  // 0 until named
        std::uint32_t lastTick = 0;
    };

    mutable std::mutex m_mutex;  // guards m_receivers, and m_count's changes
    std::array<Receiver, kCapacity> m_receivers{};
    std::atomic<std::size_t> m_count{0};  // the first m_count receivers are live
};

}  // namespace corvane
