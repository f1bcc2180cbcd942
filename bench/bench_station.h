// One headless station on 127.0.0.1 for the benchmarks that drive it with the receiver
// simulator, and the process' CPU clock they read its cost by.
#pragma once

#include <chrono>
#include <cstdint>
#include <ctime>

#include "link/station_core.h"
#include "platform/vexo.h"
#include "station/choices.h"

class BenchStation {
  public:
    BenchStation(const char* mode, const char* protocol) {
        station.m_mode = corvane::linkModeNamed(mode);
        station.m_protocol = corvane::protocolNamed(protocol);
        station.m_receiverIp = "127.0.0.1";
    }
    bool client() const { return station.m_mode == corvane::LinkMode::Client; }

    // Server: listens on a free port; returns it, 0 when the start failed.
    std::uint16_t startServer() {
        station.m_port = 0;
        core.control().doConnect();
        return station.m_running
                   ? static_cast<std::uint16_t>(Vexo_LocalPort(core.server().m_listenSocket))
                   : 0;
    }
    // Client: connects to a receiver listening on `port`.
    bool connectTo(std::uint16_t port) {
        station.m_port = port;
        core.control().doConnect();
        return station.m_running;
    }
    // Milliseconds the stop takes.
    double stop() {
        const auto start = std::chrono::steady_clock::now();
        core.control().doDisconnect();
        return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
            .count();
    }

    corvane::StationCore core;
    corvane::Station& station = core.station();
};

// CPU seconds this process has used so far (the station's threads and the simulator's).
inline double processCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}
