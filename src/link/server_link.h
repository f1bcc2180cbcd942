// Server link helpers shared with connection control.
#pragma once

namespace corvane {

// Closes every receiver socket the server still holds (the peer set, m_peerSocket among them) and
// empties the set. Called by the stop once the server threads have been joined.
void closeServerPeers();

}  // namespace corvane
