// A blocking TCP connect with a time-out, for the client link: a wrong receiver address must not
// freeze the window for the kernel's own SYN time-out (about two minutes).
#pragma once

#include <boost/asio/ip/tcp.hpp>
#include <boost/system/error_code.hpp>
#include <chrono>

namespace corvane {

// Opens `socket` (closed on entry) and connects it to `endpoint`, waiting at most `timeout`.
// On success the socket is connected and blocking again. On failure `ec` holds the reason
// (boost::asio::error::timed_out when the time ran out) and the socket is closed.
void connectWithTimeout(boost::asio::ip::tcp::socket& socket,
                        const boost::asio::ip::tcp::endpoint& endpoint,
                        std::chrono::milliseconds timeout, boost::system::error_code& ec);

}  // namespace corvane
