// The fresh record and its small accessors.
#include <gtest/gtest.h>

#include <limits>
#include <thread>

#include "station/station.h"
#include "support/recording_window.h"

namespace corvane {
namespace {

TEST(Station, FreshRecordHoldsTheInitialValues) {
    Station s;
    EXPECT_EQ(s.m_receiverIp, "127.0.0.1");
    EXPECT_EQ(s.m_port, 1025);
    EXPECT_EQ(s.m_heartbeatInterval, 300);
    EXPECT_EQ(s.m_linesToSave.load(), 1000);
    EXPECT_EQ(s.logText(), "");
    EXPECT_EQ(s.m_responseMode.load(), 0);
    EXPECT_EQ(s.customResponse(), "");
    EXPECT_FALSE(s.m_connected.load());
    EXPECT_FALSE(s.m_running.load());
    EXPECT_FALSE(s.m_socket.is_open());
    EXPECT_EQ(s.m_msgThread, nullptr);
    EXPECT_EQ(s.getLastHeartbeatTick(), 0u);
    EXPECT_EQ(s.m_linkStatus, "TCP Disconnected");
    for (const auto* counter : {&s.m_cidCount, &s.m_siaCount, &s.m_sgHeartbeatCount,
                                &s.m_sgPrivateCount, &s.m_deviceHeartCount}) {
        EXPECT_EQ(counter->load(), 0);
    }
    EXPECT_EQ(s.m_msgProThread, nullptr);
    EXPECT_TRUE(s.m_msgList.empty());
    EXPECT_EQ(s.m_showLog.load(), 0);
    EXPECT_FALSE(s.m_stopFlag.load());
    EXPECT_EQ(s.receiverType(), "MLR2000");
    EXPECT_EQ(s.m_mode, "Client");
    EXPECT_EQ(s.m_acceptThread, nullptr);
    EXPECT_FALSE(s.m_acceptStop.load());
    EXPECT_EQ(s.m_acceptSem.impl, nullptr);
    EXPECT_EQ(s.m_listenSocket, -1);
    EXPECT_EQ(s.m_peerSocket.load(), -1);
    EXPECT_EQ(s.m_selectThread, nullptr);
    EXPECT_FALSE(s.m_selectStop.load());
    EXPECT_EQ(s.m_protocol, "");
}

TEST(Station, HeartbeatTickKeepsAllThirtyTwoBits) {
    Station s;
    for (std::uint32_t tick :
         {1u, 0x7FFFFFFFu, 0x80000000u, std::numeric_limits<std::uint32_t>::max()}) {
        s.setLastHeartbeatTick(tick);
        EXPECT_EQ(s.getLastHeartbeatTick(), tick);
    }
}

TEST(Station, CountersHoldValuesBeyondThirtyTwoBits) {
    Station s;
    s.m_cidCount = std::int64_t{1} << 31;
    ++s.m_cidCount;
    EXPECT_EQ(s.m_cidCount.load(), (std::int64_t{1} << 31) + 1);
}

TEST(Station, TextsSharedWithReceivingThreadsCanBeReadWhileEdited) {
    Station s;
    std::thread writer([&] {
        for (int i = 0; i < 2000; ++i) {
            s.setCustomResponse(i % 2 ? "6" : "21");
            s.setReceiverType(i % 2 ? "MLR2" : "MLR2000");
        }
    });
    for (int i = 0; i < 2000; ++i) {
        const auto custom = s.customResponse();
        EXPECT_TRUE(custom.empty() || custom == "6" || custom == "21");
        const auto type = s.receiverType();
        EXPECT_TRUE(type == "MLR2" || type == "MLR2000");
    }
    writer.join();
}

TEST(Station, WindowCanBeAttachedAndDetached) {
    test::RecordingWindow recorder;
    Station s(&recorder);
    EXPECT_EQ(&s.window(), &recorder);
    s.setWindow(nullptr);
    s.window().setControlText(kLinkStatusEdit, "ignored");  // the null window swallows it
    EXPECT_EQ(recorder.text(kLinkStatusEdit), "");
}

}  // namespace
}  // namespace corvane
