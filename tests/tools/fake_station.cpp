#include "fake_station.h"

#include <poll.h>
#include <sys/socket.h>

#include <list>

#include "receiver/dc09_frame.h"

namespace corvane::sim::test {

FakeStation::FakeStation(Protocol protocol, Answer answer, bool listen)
    : m_protocol(protocol), m_answer(std::move(answer)) {
    if (listen) {
        std::string error;
        m_listener = listenTcp("127.0.0.1", 0, error);
        m_port = localPort(m_listener.get());
    }
    m_thread = std::thread([this] { loop(); });
}

FakeStation::~FakeStation() {
    m_stop = true;
    m_thread.join();
}

void FakeStation::adopt(Fd fd) {
    std::lock_guard lock(m_adoptMutex);
    m_adopted.push_back(std::move(fd));
}

std::string FakeStation::ackFor(const std::string& frame) {
    const std::size_t token = frame.find('"', frame.find('"') + 1) + 1;
    const std::size_t bracket = frame.find('[', token);
    return dc09Frame("\"ACK\"" + frame.substr(token, bracket - token) + "[]");
}

void FakeStation::loop() {
    std::list<Connection> connections;
    while (!m_stop) {
        {
            std::lock_guard lock(m_adoptMutex);
            for (Fd& fd : m_adopted) {
                connections.push_back({std::move(fd), {}, 0});
            }
            m_adopted.clear();
        }
        std::vector<pollfd> fds;
        if (m_listener.valid()) {
            fds.push_back({m_listener.get(), POLLIN, 0});
        }
        for (const Connection& c : connections) {
            fds.push_back({c.fd.get(), POLLIN, 0});
        }
        if (::poll(fds.data(), fds.size(), 20) <= 0) {
            continue;
        }
        std::size_t i = 0;
        if (m_listener.valid() && (fds[i++].revents & POLLIN) != 0) {
            std::string error;
            Fd fd = acceptTcp(m_listener.get(), 0, error);
            if (fd.valid()) {
                connections.push_back({std::move(fd), {}, 0});
            }
        }
        for (auto it = connections.begin(); i < fds.size(); ++i) {
            const bool keep = (fds[i].revents & (POLLIN | POLLHUP | POLLERR)) == 0 || serve(*it);
            it = keep ? std::next(it) : connections.erase(it);
        }
    }
}

bool FakeStation::serve(Connection& connection) {
    char buffer[4096];
    const long n = receiveSome(connection.fd.get(), buffer, sizeof buffer, 0);
    if (n < 0) {
        return false;
    }
    connection.pending.append(buffer, static_cast<std::size_t>(n));
    const char end = m_protocol == Protocol::SurGard ? '\x14' : '\r';
    std::string answers;
    std::size_t found = 0;
    while ((found = connection.pending.find(end)) != std::string::npos) {
        const std::string message = connection.pending.substr(0, found + 1);
        connection.pending.erase(0, found + 1);
        ++m_seen;
        const auto answer = m_answer(message, ++connection.count);
        if (!answer) {
            sendAll(connection.fd.get(), answers.data(), answers.size(), 1000);
            return false;
        }
        answers += *answer;
    }
    return answers.empty() ||
           sendAll(connection.fd.get(), answers.data(), answers.size(), 1000) >= 0;
}

}  // namespace corvane::sim::test
