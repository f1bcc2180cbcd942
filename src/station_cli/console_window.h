// The window of a station without one: the link's message boxes go to standard error; controls,
// counters and the log box have nothing to show (the activity log reaches the terminal through
// the station's activity tap, the counters through the summary).
#pragma once

#include <cstdio>
#include <string>

#include "station/window.h"

namespace corvane::cli {

class ConsoleWindow final : public Window {
  public:
    void setControlText(int, const std::string&) override {}
    void enableControl(int, bool) override {}
    void refreshLogView() override {}
    void showMessageBox(const std::string& text) override {
        std::fprintf(stderr, "corvane-station: %s\n", text.c_str());
    }
    bool saveTransfer() override { return true; }  // the settings came from the command line
};

}  // namespace corvane::cli
