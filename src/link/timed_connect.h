// The client link's way to a receiver: a host looked up and connected to within time-outs, each
// wait ended at once by a cancel. A wrong receiver address must not hold anyone for the kernel's
// own SYN time-out (about two minutes), nor a name server that does not answer.
#pragma once

#include <boost/asio/ip/tcp.hpp>
#include <boost/system/error_code.hpp>
#include <chrono>
#include <string>
#include <vector>

namespace corvane {

using Deadline = std::chrono::steady_clock::time_point;

// The addresses of `host` (an IPv4 or IPv6 address, or a name to look up) with `port`. A name is
// looked up on a thread of its own: the wait ends at `deadline` (boost::asio::error::timed_out)
// or when `cancelFd` becomes readable (operation_aborted), and a lookup that hangs is left to
// finish unheard. `cancelFd` may be -1.
std::vector<boost::asio::ip::tcp::endpoint> lookUpHost(const std::string& host, unsigned short port,
                                                       Deadline deadline, int cancelFd,
                                                       boost::system::error_code& ec);

// A new socket connected to `endpoint`: its descriptor (blocking, close-on-exec), or -1 with `ec`
// saying why (timed_out when `deadline` came first, operation_aborted when `cancelFd` became
// readable first).
int connectWithTimeout(const boost::asio::ip::tcp::endpoint& endpoint, Deadline deadline,
                       int cancelFd, boost::system::error_code& ec);

}  // namespace corvane
