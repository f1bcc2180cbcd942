// The one-second timer: counter texts, and the heartbeat check with its modulo-2^32 arithmetic and
// its consistency with concurrent renewals and losses.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "link/link_fixture.h"

namespace corvane::test {
namespace {

using Texts = std::vector<std::string>;

// How long the races below are given to show up: a wrong order of reads or a missing lock shows
// within a few hundred milliseconds of millisecond boundaries.
std::chrono::steady_clock::time_point soon() {
    return std::chrono::steady_clock::now() + std::chrono::milliseconds(300);
}

class HeartbeatTest : public ::testing::Test {
  protected:
    void SetUp() override {
        station.m_protocol = Protocol::SurGard;
        station.m_mode = LinkMode::Client;
        window.attach(&core.log());
    }
    void TearDown() override { Vexo_SetTimeTickOffset(0); }

    // Shifts the tick so that its low 32 bits read about `target` now.
    static void setTickNear(std::uint32_t target) {
        Vexo_SetTimeTickOffset(0);
        const auto raw = static_cast<std::uint32_t>(Vexo_GetTimeTick());
        Vexo_SetTimeTickOffset(static_cast<std::uint32_t>(target - raw));
    }
    // A link that is up, as a client start leaves it, without any socket.
    void pretendConnected() {
        station.m_connected = true;
        station.m_running = true;
    }

    std::string logText() const { return core.log().logText(); }

    QuilletCapture capture;
    RecordingWindow window;
    mutable StationCore core{&window};
    Station& station = core.station();
};

TEST_F(HeartbeatTest, CountersAreShownInOrderOnEveryTick) {
    station.m_cidCount = 0;
    station.m_siaCount = 2147483648LL;          // 2^31
    station.m_sgHeartbeatCount = 4294967301LL;  // 2^32 + 5
    station.m_sgPrivateCount = 9223372036854775807LL;
    station.m_deviceHeartCount = 12;
    const Counts first{0, 2147483648LL, 4294967301LL, 9223372036854775807LL, 12};
    core.control().OnTimer();
    station.m_deviceHeartCount = 13;
    core.control().OnTimer();
    Counts second = first;
    second.deviceHeart = 13;
    EXPECT_EQ(window.shownCounts(), (std::vector<Counts>{first, second}));
    EXPECT_EQ(window.events(), (Texts{"counts", "counts"}));
}

TEST_F(HeartbeatTest, NoTimeOutWithoutAConnectionHoweverOldTheTick) {
    setTickNear(0x80000000U);
    station.m_running = true;  // a server waiting for its receiver
    station.m_heartbeatInterval = 1;
    station.setLastHeartbeatTick(0);
    core.control().OnTimer();
    EXPECT_TRUE(station.m_running);
    EXPECT_EQ(window.events(), Texts{"counts"});
    EXPECT_FALSE(capture.contains("HeartBeatCheck"));
}

struct SilenceCase {
    const char* name;
    std::uint32_t now;       // low 32 bits of the tick when the timer fires (about)
    std::uint32_t lastTick;  // the last sign of life
    int intervalSeconds;
    bool timedOut;
};

class HeartbeatSilenceTest : public HeartbeatTest,
                             public ::testing::WithParamInterface<SilenceCase> {};

TEST_P(HeartbeatSilenceTest, DropsTheLinkOnlyAfterTheInterval) {
    const SilenceCase& c = GetParam();
    setTickNear(c.now);
    pretendConnected();
    station.m_heartbeatInterval = c.intervalSeconds;
    station.setLastHeartbeatTick(c.lastTick);
    core.control().OnTimer();
    if (!c.timedOut) {
        EXPECT_TRUE(station.m_connected);
        EXPECT_EQ(window.events(), Texts{"counts"});
        EXPECT_TRUE(capture.entries().empty());
        return;
    }
    EXPECT_FALSE(station.m_connected);
    EXPECT_FALSE(station.m_running);
    EXPECT_EQ(capture.count("[CCorvaneDlg::OnTimer(", 2), 1);
    EXPECT_EQ(capture.count("HeartBeatCheck Timeout", 2), 1);
    EXPECT_TRUE(std::regex_match(logText(), std::regex(kTimeText + "  -  Heartbeat timeout\r\n" +
                                                       kTimeText + "  -  Disconnected\r\n")))
        << logText();
    EXPECT_EQ(window.lastReport(),
              (LinkReport{LinkMode::Client, LinkState::Stopped, StopCause::TimeOut}));
}

INSTANTIATE_TEST_SUITE_P(
    Ticks, HeartbeatSilenceTest,
    ::testing::Values(SilenceCase{"WrapWithin496Ms", 200, 0xFFFFFFFFU - 295, 1, false},
                      SilenceCase{"WrapAfter1700Ms", 200, 0xFFFFFFFFU - 1499, 1, true},
                      SilenceCase{"JustRenewed", 5000000, 5000000, 1, false},
                      SilenceCase{"After299Of300Seconds", 5000000, 5000000 - 299000, 300, false},
                      SilenceCase{"After301Of300Seconds", 5000000, 5000000 - 301000, 300, true},
                      SilenceCase{"IntervalAbove2To31Ms", 0x90000000U, 0x10000000U, 3000000,
                                  false}),
    [](const ::testing::TestParamInfo<SilenceCase>& tested) {
        return std::string(tested.param.name);
    });

// Renewals that race with the check: the last tick is read before the current one, so a renewal
// can never look like it lies in the future (which would wrap into a huge silence).
TEST_F(HeartbeatTest, ConcurrentRenewalsNeverTimeOut) {
    setTickNear(0xFFFFF000U);  // the tick also wraps while this runs
    StationCore headlessCore;  // no window: many ticks, nothing recorded
    Station& headless = headlessCore.station();
    headless.m_mode = LinkMode::Client;
    headless.m_connected = true;
    headless.m_running = true;
    headless.m_heartbeatInterval = 1;
    headless.setLastHeartbeatTick(static_cast<std::uint32_t>(Vexo_GetTimeTick()));
    std::atomic<bool> stop{false};
    std::thread renewer([&] {
        while (!stop) {
            headless.setLastHeartbeatTick(static_cast<std::uint32_t>(Vexo_GetTimeTick()));
        }
    });
    for (const auto end = soon(); headless.m_connected && std::chrono::steady_clock::now() < end;) {
        headlessCore.control().OnTimer();
    }
    stop = true;
    renewer.join();
    EXPECT_TRUE(headless.m_connected);
    EXPECT_FALSE(capture.contains("HeartBeatCheck"));
}

// Receivers arriving and lost on another thread (the watch and m_connected changed together under
// the link event lock, as the server link does it) are never taken for a silence.
TEST_F(HeartbeatTest, ConcurrentLossesNeverTimeOut) {
    setTickNear(0x80000000U);
    StationCore headlessCore;
    Station& headless = headlessCore.station();
    headless.m_mode = LinkMode::Server;
    headless.m_running = true;
    headless.m_heartbeatInterval = 300;
    constexpr Vexo_Socket kReceiver = 7;
    std::atomic<bool> stop{false};
    std::thread links([&] {
        while (!stop) {
            {
                std::lock_guard lock(headless.m_linkEventMutex);
                headless.m_receiverWatch.arrived(kReceiver);
                headless.m_connected = true;
            }
            {
                std::lock_guard lock(headless.m_linkEventMutex);
                headless.m_connected = headless.m_receiverWatch.left(kReceiver) != 0;
            }
        }
    });
    for (const auto end = soon(); headless.m_running && std::chrono::steady_clock::now() < end;) {
        headlessCore.control().OnTimer();
    }
    stop = true;
    links.join();
    EXPECT_TRUE(headless.m_running);
    EXPECT_FALSE(capture.contains("HeartBeatCheck"));
}

}  // namespace
}  // namespace corvane::test
