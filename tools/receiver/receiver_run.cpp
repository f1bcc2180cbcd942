#include "receiver/receiver_run.h"

#include <algorithm>
#include <thread>

#include "receiver/connection_run.h"
#include "receiver/progress_line.h"
#include "receiver/sim_socket.h"

namespace corvane::sim {

namespace {

// Opens all connections before any receiver starts, so they run at once.
std::vector<Fd> openConnections(const RunOptions& options, const ListeningCallback& onListening,
                                RunResult& result) {
    std::vector<Fd> fds;
    std::string error;
    if (options.listen) {
        Fd listener = listenTcp(options.host, options.port, error);
        if (!listener.valid()) {
            result.error =
                "listen on " + options.host + ":" + std::to_string(options.port) + ": " + error;
            return {};
        }
        result.port = localPort(listener.get());
        if (onListening) {
            onListening(result.port);
        }
        for (int i = 0; i < options.connections; ++i) {
            Fd fd = acceptTcp(listener.get(), options.connectTimeoutMs, error, options.cancel);
            if (!fd.valid()) {
                result.error = "waiting for connection " + std::to_string(i + 1) + ": " + error;
                return {};
            }
            fds.push_back(std::move(fd));
        }
        return fds;
    }
    result.port = options.port;
    for (int i = 0; i < options.connections; ++i) {
        Fd fd =
            connectTcp(options.host, options.port, options.connectTimeoutMs, error, options.cancel);
        if (!fd.valid()) {
            result.error = "connection " + std::to_string(i + 1) + " to " + options.host + ":" +
                           std::to_string(options.port) + ": " + error;
            return {};
        }
        fds.push_back(std::move(fd));
    }
    return fds;
}

void addTo(ConnectionResult& total, const ConnectionResult& one) {
    total.sent += one.sent;
    total.answered += one.answered;
    total.good += one.good;
    total.bad += one.bad;
    total.missing += one.missing;
    total.extra += one.extra;
    total.latency.merge(one.latency);
    total.badSamples.insert(total.badSamples.end(), one.badSamples.begin(), one.badSamples.end());
    if (one.sent > 0 && (total.sent == one.sent || one.firstSend < total.firstSend)) {
        total.firstSend = one.firstSend;
    }
    if (one.answered > 0 && one.lastAnswer > total.lastAnswer) {
        total.lastAnswer = one.lastAnswer;
    }
    if (total.error.empty()) {
        total.error = one.error;
    }
}

}  // namespace

RunResult runReceiver(const RunOptions& options, const ListeningCallback& onListening) {
    RunResult result;
    const int connections = options.replay.empty() ? std::max(1, options.connections)
                                                   : static_cast<int>(options.replay.size());
    result.expected = options.count * static_cast<std::uint64_t>(connections);
    if (!options.replay.empty()) {
        result.expected = 0;
        for (const auto& messages : options.replay) {
            result.expected += messages.size();
        }
    }
    if (options.progress != nullptr) {
        options.progress->expected.store(result.expected, std::memory_order_relaxed);
    }
    RunOptions effective = options;
    effective.connections = connections;
    if (effective.kinds.empty()) {
        effective.kinds = defaultKinds(effective.protocol);
    }

    std::vector<Fd> fds = openConnections(effective, onListening, result);
    if (!result.error.empty()) {
        return result;
    }
    result.connections.resize(fds.size());
    if (fds.size() == 1) {
        result.connections[0] = runConnection(fds[0].release(), effective, 0);
    } else {
        std::vector<std::thread> threads;
        threads.reserve(fds.size());
        for (std::size_t i = 0; i < fds.size(); ++i) {
            threads.emplace_back([&result, &effective, fd = fds[i].release(), i] {
                result.connections[i] = runConnection(fd, effective, static_cast<int>(i));
            });
        }
        for (std::thread& thread : threads) {
            thread.join();
        }
    }
    for (const ConnectionResult& one : result.connections) {
        addTo(result.total, one);
    }
    if (result.total.sent > 0 && result.total.answered > 0) {
        result.seconds =
            std::chrono::duration<double>(result.total.lastAnswer - result.total.firstSend).count();
    }
    return result;
}

}  // namespace corvane::sim
