// The server's set of accepted receiver sockets: at most 64, in order of acceptance. Every access
// is serialised, so the count and the entries are always seen together.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>

#include "platform/vexo.h"

namespace corvane {

class PeerSet {
  public:
    // Adds a socket at the end. Returns false (and changes nothing) when the set is full; adding a
    // socket already present changes nothing and returns true.
    bool add(Vexo_Socket socket);
    // Removes the first occurrence, keeping the order of the others. Returns false when absent.
    bool remove(Vexo_Socket socket);
    void empty();
    std::uint32_t count() const;
    bool contains(Vexo_Socket socket) const;
    // A consistent copy, in the layout the select call takes.
    Vexo_FdSet snapshot() const;
    // Waits at most `timeout` for the set to become non-empty. Returns true when it is.
    bool waitNonEmpty(std::chrono::milliseconds timeout) const;

    // A descriptor that turns readable when a socket is added, so a select already waiting on
    // the older set (perhaps for a distant due answer) reads the new receiver at once. The
    // waiter adds it to its set while there is room (a full set takes no new receivers) and
    // drains it with clearWake(). -1 when it could not be made.
    Vexo_Socket wakeSocket() const { return m_wakeFd; }
    void clearWake() const;

    PeerSet();
    ~PeerSet();
    PeerSet(const PeerSet&) = delete;
    PeerSet& operator=(const PeerSet&) = delete;

  private:
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_added;
    Vexo_FdSet m_set;
    int m_wakeFd = -1;
};

extern PeerSet g_peerSet;

}  // namespace corvane
