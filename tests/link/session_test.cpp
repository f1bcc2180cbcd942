// One connection's session on its own, over a wire that records what is sent: answers at once or
// when due, in the order of their messages, CLOSE, failed sends, and what a lost connection does
// to the answers still waiting.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "link/session.h"
#include "station/station.h"
#include "support/quillet_capture.h"

namespace corvane {
namespace {

const std::string kCid = "5011 18112345E13001003\x14";

class RecordingWire final : public Wire {
  public:
    Delivery::Reason send(std::string_view bytes) override {
        if (failWith != Delivery::Reason::None) {
            return failWith;
        }
        sent.emplace_back(bytes);
        return Delivery::Reason::None;
    }
    std::vector<std::string> sent;
    Delivery::Reason failWith = Delivery::Reason::None;
};

struct SessionTest : ::testing::Test {
    SessionTest() { station.m_protocol = Protocol::SurGard; }
    void script(const std::string& text) {
        ASSERT_TRUE(scripts.apply(text, "", false));
        scripts.setEnabled(true);
    }
    // The queue's items: "connected", "lost", "sent <index>" and the messages' word names.
    std::vector<std::string> queued() {
        std::vector<std::string> out;
        for (const ReceivedMessage& item : queue.takeAll()) {
            switch (item.event) {
                case ReceivedMessage::Event::Connected:
                    out.emplace_back("connected");
                    break;
                case ReceivedMessage::Event::Lost:
                    out.emplace_back("lost");
                    break;
                case ReceivedMessage::Event::AnswerSent:
                    out.push_back("sent " + std::to_string(item.indexOnConnection));
                    break;
                case ReceivedMessage::Event::Message:
                    out.push_back(std::string(answerWordName(item.reply.word)) +
                                  (item.reply.delivery.unsent() ? " unsent" : ""));
                    break;
            }
        }
        return out;
    }

    test::QuilletCapture capture;
    Station station;
    Dc09Settings dc09;
    answer::AnswerScripts scripts;
    MessageQueue queue;
    ActivityLog log{station, station.window()};
    std::atomic<std::uint64_t> serials{0};
    SessionContext context{
        station, dc09, scripts, queue, log, serials, FrameReader::Framing::SurGard};
    RecordingWire wire;
};

TEST_F(SessionTest, DelayedAnswersLeaveWhenDueAndNeverOvertake) {
    script("DELAY 500 NACK, ACK, DELAY 100 CUSTOM");
    station.setCustomResponse("65");
    Session session(context, "10.0.0.1:9", wire);
    EXPECT_EQ(session.serial(), 1U);
    ASSERT_EQ(session.receive(kCid + kCid + kCid, 1, 0), Session::Outcome::Open);
    EXPECT_TRUE(wire.sent.empty()) << "the second waits behind the first";
    EXPECT_EQ(session.nextDueUs(), 500'000);
    EXPECT_EQ(session.sendDue(499'999), Session::Outcome::Open);
    EXPECT_TRUE(wire.sent.empty());
    EXPECT_EQ(session.sendDue(500'000), Session::Outcome::Open);
    EXPECT_EQ(wire.sent, (std::vector<std::string>{"\x15", "\x06", "A"}))
        << "the third was due at 100 ms but never before the first";
    EXPECT_FALSE(session.nextDueUs());
    EXPECT_EQ(queued(), (std::vector<std::string>{"connected", "NACK", "ACK", "custom", "sent 0",
                                                  "sent 1", "sent 2"}));
    // Delayed answers are not as planned: their lines are written; the others' are verbose.
    EXPECT_EQ(capture.count("connection 1: NACK sent (step 0, delay 500 ms) ", 2), 1);
}

TEST_F(SessionTest, CloseComesDueAfterItsAnswerAndLaterMessagesGetNone) {
    script("ACK CLOSE 20");
    Session session(context, "p", wire);
    ASSERT_EQ(session.receive(kCid + kCid, 1, 1'000), Session::Outcome::Open);
    EXPECT_EQ(wire.sent, std::vector<std::string>{"\x06"});
    ASSERT_TRUE(session.nextDueUs());
    EXPECT_EQ(session.sendDue(*session.nextDueUs()), Session::Outcome::Close);
    EXPECT_EQ(queued(), (std::vector<std::string>{"connected", "ACK", "none"}));
    EXPECT_EQ(
        capture.count("nothing sent for none (step -1, delay 0 ms): the connection is closing", 2),
        1);
}

// A send that fails stops the burst there; answers still waiting when the connection ends are
// logged with the reason and the receiver is announced as lost.
TEST_F(SessionTest, AFailedSendEndsTheBurstAndAnEndDropsWhatWaits) {
    struct Case {
        Delivery::Reason reason;
        const char* line;
    };
    const Case cases[] = {
        {Delivery::Reason::ConnectionLost,
         "nothing sent for ACK (step -1, delay 0 ms): connection lost"},
        {Delivery::Reason::TimedOut,
         "nothing sent for ACK (step -1, delay 0 ms): the receiver did not take it within 3 s"},
    };
    for (const Case& c : cases) {
        capture.clear();
        wire.failWith = c.reason;
        {
            Session session(context, "p", wire);
            EXPECT_EQ(session.receive(kCid + kCid, 1, 0), Session::Outcome::SendFailed);
        }
        EXPECT_EQ(capture.count(c.line, 2), 1) << c.line;
        EXPECT_EQ(queued(), (std::vector<std::string>{"connected", "ACK unsent", "lost"}));
    }
    wire.failWith = Delivery::Reason::None;
    script("DELAY 1000 ACK");
    Session session(context, "p", wire);
    ASSERT_EQ(session.receive(kCid, 1, 0), Session::Outcome::Open);
    session.end(Delivery::Reason::ConnectionLost, LinkLoss::Reset);
    session.end(Delivery::Reason::StationStopped, LinkLoss::Stopped);  // once only
    EXPECT_EQ(capture.count("nothing sent for ACK (step 0, delay 1000 ms): connection lost", 2), 1);
    EXPECT_EQ(queued(), (std::vector<std::string>{"connected", "ACK", "lost"}));
    EXPECT_TRUE(wire.sent.empty());
}

}  // namespace
}  // namespace corvane
