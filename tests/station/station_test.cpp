// The record's small parts: the exact texts of the operator's choices, the counters' snapshot,
// the window slot and the custom text shared with the receiving threads.
#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "station/station.h"
#include "support/recording_window.h"

namespace corvane {
namespace {

TEST(Choices, TextsAreReadExactlyAndWrittenBack) {
    struct Case {
        std::string text;
        Protocol protocol;
        ReceiverType type;
    };
    const Case cases[] = {
        {"Sur-Gard", Protocol::SurGard, ReceiverType::Other},
        {"SIA-DCS", Protocol::SiaDcs, ReceiverType::Other},
        {"MLR2000", Protocol::None, ReceiverType::Mlr2000},
        {"MLR2", Protocol::None, ReceiverType::Mlr2},
        {"sur-gard", Protocol::None, ReceiverType::Other},
        {"mlr2", Protocol::None, ReceiverType::Other},
        {"", Protocol::None, ReceiverType::Other},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(protocolNamed(c.text), c.protocol);
        EXPECT_EQ(receiverTypeNamed(c.text), c.type);
        if (c.protocol != Protocol::None) {
            EXPECT_EQ(protocolName(c.protocol), c.text);
        }
        if (c.type != ReceiverType::Other) {
            EXPECT_EQ(receiverTypeName(c.type), c.text);
        }
    }
    // Connection control takes any mode text but "Client" for Server.
    EXPECT_EQ(linkModeNamed("Client"), LinkMode::Client);
    EXPECT_EQ(linkModeNamed("client"), LinkMode::Server);
    EXPECT_EQ(linkModeName(linkModeNamed("Server")), "Server");
}

TEST(Choices, RadioButtonPlacesOutsideTheGroupAnswerNothing) {
    for (int place = -2; place <= 5; ++place) {
        const ResponseMode mode = responseModeAt(place);
        EXPECT_EQ(responseModePlace(mode), place >= 0 && place <= 4 ? place : -1) << place;
    }
}

TEST(Counters, CountsTakeEachCounterInItsPlace) {
    Counters counters;
    counters.m_cidCount = 1;
    counters.m_siaCount = 2;
    counters.m_sgHeartbeatCount = 3;
    counters.m_sgPrivateCount = 4;
    counters.m_deviceHeartCount = std::int64_t{1} << 40;
    EXPECT_EQ(counters.counts(), (Counts{1, 2, 3, 4, std::int64_t{1} << 40}));
}

TEST(Station, CustomTextCanBeReadWhileTheOperatorEditsIt) {
    Station s;
    std::thread writer([&] {
        for (int i = 0; i < 2000; ++i) {
            s.setCustomResponse(i % 2 ? "6" : "21");
        }
    });
    for (int i = 0; i < 2000; ++i) {
        const auto custom = s.customResponse();
        EXPECT_TRUE(custom.empty() || custom == "6" || custom == "21");
    }
    writer.join();
}

TEST(Station, ADetachedWindowSwallowsReports) {
    test::RecordingWindow recorder;
    Station s;
    s.window().attach(&recorder);
    s.window()->linkChanged({LinkMode::Server, LinkState::Listening});
    s.window().attach(nullptr);
    s.window()->linkChanged({LinkMode::Server, LinkState::Stopped});
    EXPECT_EQ(recorder.events(), std::vector<std::string>{"link Listening Server"});
}

}  // namespace
}  // namespace corvane
