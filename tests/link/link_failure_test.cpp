// The start's failure paths, reached through the runtime's failure seam: each one's message and
// clean-up, and a clean start right after it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "link/fake_receiver.h"
#include "server_harness.h"
#include "support/fast_timeouts.h"
#include "support/quillet_capture.h"
#include "support/recording_window.h"

namespace corvane::test {
namespace {

struct FailureCase {
    const char* name;
    const char* mode;
    Vexo_Fault fault;
    int skip;                // calls of that kind that succeed first
    const char* diagnostic;  // the diagnostic line of the failure
    bool box;                // the start's failure box is shown
};

TEST(LinkFailures, EachFailedStartReportsAndLeavesNothingBehind) {
    const std::vector<FailureCase> cases = {
        {"listening socket", "Server", Vexo_Fault::SocketCreate, 0, "create socket fail", true},
        {"accept token", "Server", Vexo_Fault::SemCreate, 0, "Vexo_SemCreate failed", true},
        {"Accept thread", "Server", Vexo_Fault::ThreadCreate, 0, "create Accept thread fail", true},
        {"select thread", "Server", Vexo_Fault::ThreadCreate, 1, "create select thread fail",
         false},
        {"msgPro thread", "Server", Vexo_Fault::ThreadCreate, 2, "create msgPro thread fail",
         false},
        {"connect thread", "Client", Vexo_Fault::ThreadCreate, 0, "create connect thread fail",
         true},
        {"msg thread", "Client", Vexo_Fault::ThreadCreate, 1, "create msg thread fail", false},
    };
    const int baseline = descriptorBaseline();
    for (const FailureCase& c : cases) {
        SCOPED_TRACE(c.name);
        QuilletCapture capture;
        RecordingWindow window;
        StationCore core(&window);
        Station& station = core.station();
        station.m_protocol = Protocol::SurGard;
        station.m_mode = linkModeNamed(c.mode);
        station.m_timeouts = fastTimeouts();
        FakeReceiver receiver;  // something for the client to connect to
        station.m_port = c.mode == std::string("Client") ? receiver.port() : freePort();
        Vexo_FailNext(c.fault, 1, c.skip);
        core.control().doConnect();
        Vexo_ClearFaults();
        EXPECT_TRUE(capture.contains(c.diagnostic));
        EXPECT_FALSE(station.m_running);
        ASSERT_EQ(window.failures().size(), c.box ? 1U : 0U);
        if (c.box) {
            EXPECT_EQ(window.failures()[0].first, station.m_mode);
            const char* host = station.m_mode == LinkMode::Server ? "0.0.0.0:" : "127.0.0.1:";
            EXPECT_EQ(window.failures()[0].second.where, host + std::to_string(station.m_port));
            EXPECT_EQ(core.server().m_listenSocket, Vexo_InvalidSocket)
                << "the socket is not leaked";
            EXPECT_EQ(core.server().m_acceptThread, nullptr);
        }
        // A start right after it begins from a clean slate (no "already serving" shortcut).
        core.control().doConnect();
        EXPECT_TRUE(station.m_running);
        core.control().doDisconnect();
        core.control().shutdownLink();
    }
    EXPECT_TRUE(waitUntil([&] { return openDescriptorCount() <= baseline; }));
}

}  // namespace
}  // namespace corvane::test
