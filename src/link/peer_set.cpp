// placeholder: to be written
#include "link/peer_set.h"

namespace corvane {
PeerSet g_peerSet;
bool PeerSet::add(Vexo_Socket) { return false; }
bool PeerSet::remove(Vexo_Socket) { return false; }
void PeerSet::empty() {}
std::uint32_t PeerSet::count() const { return 0; }
bool PeerSet::contains(Vexo_Socket) const { return false; }
Vexo_FdSet PeerSet::snapshot() const { return {}; }
bool PeerSet::waitNonEmpty(std::chrono::milliseconds) const { return false; }
}  // namespace corvane
