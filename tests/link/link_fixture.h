// A station core in Client mode with a recording window, a diagnostic capture and a fake receiver.
#pragma once

#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <string_view>

#include "link/fake_receiver.h"
#include "link/station_core.h"
#include "support/fast_timeouts.h"
#include "support/quillet_capture.h"
#include "support/recording_window.h"

namespace corvane::test {

// Sur-Gard messages in the MLR2000 format: a Contact ID event and a receiver heartbeat.
inline const std::string kCidMessage = "501001 181234113001015\x14";
inline const std::string kHeartbeatMessage = "1011           @    \x14";
inline constexpr char kAck = 0x06;
inline constexpr char kNack = 0x15;

// The time text of an activity log line.
inline const std::string kTimeText = R"(\d{4}/\d\d/\d\d \d\d:\d\d:\d\d)";

class ClientLinkFixture : public ::testing::Test {
  protected:
    void SetUp() override {
        station.m_protocol = Protocol::SurGard;
        station.m_mode = LinkMode::Client;
        station.m_receiverIp = "127.0.0.1";
        station.m_port = receiver.port();
        station.m_timeouts = fastTimeouts();
        window.attach(&core.log());
    }

    // Starts the link and accepts it at the fake receiver.
    bool connectAndAccept() {
        core.control().doConnect();
        return station.m_running && receiver.accept();
    }
    bool waitForLog(std::string_view text) {
        return window.waitFor([&] { return logText().find(text) != std::string::npos; });
    }
    std::string logText() const { return core.log().logText(); }
    // The log line the worker writes for a message.
    static std::string messageLine(const std::string& message) {
        return "  -  " + message + " --> ";
    }
    // The whole log matches `lines` (regexes, each followed by CR LF).
    bool logIs(std::initializer_list<std::string> lines) const {
        std::string pattern;
        for (const auto& line : lines) {
            pattern += kTimeText + line + "\r\n";
        }
        return std::regex_match(logText(), std::regex(pattern));
    }

    QuilletCapture capture;
    FakeReceiver receiver;
    RecordingWindow window;
    mutable StationCore core{&window};
    Station& station = core.station();
};

}  // namespace corvane::test
