// corvane-station's activity tap: log lines to the terminal (unless quiet), decoded messages to
// the run's tally.
#pragma once

#include "station/activity_tap.h"
#include "station_cli/run_tally.h"
#include "station_cli/terminal_log.h"

namespace corvane::cli {

class StationTap final : public ActivityTap {
  public:
    StationTap(TerminalLog* log, RunTally& tally) : m_log(log), m_tally(tally) {}

    void logLineAppended(std::string_view timeText, std::string_view rest) override {
        if (m_log != nullptr) {
            m_log->add(timeText, rest);
        }
    }
    void messageDecoded(const ReceivedMessage& message) override { m_tally.add(message); }

  private:
    TerminalLog* const m_log;  // null when quiet
    RunTally& m_tally;
};

}  // namespace corvane::cli
