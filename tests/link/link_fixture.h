// A station in Client mode with a recording window, a diagnostic capture and a fake receiver.
#pragma once

#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <string_view>

#include "link/fake_receiver.h"
#include "station/station.h"
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
        station.m_protocol = "Sur-Gard";
        station.m_mode = "Client";
        station.m_receiverIp = "127.0.0.1";
        station.m_timeouts = fastTimeouts();
        station.m_port = receiver.port();
        window.attach(&station);
    }

    // Starts the link and accepts it at the fake receiver.
    bool connectAndAccept() {
        station.doConnect();
        return station.m_running && receiver.accept();
    }
    bool waitForLog(std::string_view text) {
        return window.waitFor([&] { return station.logText().find(text) != std::string::npos; });
    }
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
        return std::regex_match(station.logText(), std::regex(pattern));
    }

    QuilletCapture capture;
    FakeReceiver receiver;
    RecordingWindow window;
    Station station{&window};
};

}  // namespace corvane::test
