// Starts the msgPro worker on a station the way connection control does, and stops it (stop flag,
// then join) at the latest when the test scope ends.
#pragma once

#include "platform/vexo.h"
#include "station/station.h"

namespace corvane::test {

class WorkerRun {
  public:
    explicit WorkerRun(Station& station) : m_station(station) { start(); }
    ~WorkerRun() { stop(); }
    WorkerRun(const WorkerRun&) = delete;
    WorkerRun& operator=(const WorkerRun&) = delete;

    bool running() const { return m_thread != nullptr; }
    void start() {
        m_station.m_stopFlag = false;
        m_thread = Vexo_Thread_Create(msgProThreadEntry, &m_station, 0, 0, 0, 0);
    }
    void stop() {
        m_station.m_stopFlag = true;
        join();
    }
    // Waits for a worker that something else asked to stop.
    void join() {
        if (m_thread != nullptr) {
            Vexo_Thread_Wait(m_thread);
            m_thread = nullptr;
        }
    }

  private:
    Station& m_station;
    Vexo_Thread m_thread = nullptr;
};

}  // namespace corvane::test
