// corvane-receiver as a field receiver against the real server under answer scripts: resends
// after NACKs and silence, gives up after N retries, reconnects after CLOSE.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "link/server_harness.h"
#include "receiver/retry_run.h"

namespace corvane::sim {
namespace {

struct RetryCase {
    const char* script;
    int retries;
    int reconnectMs;
    std::vector<int> attempts;  // per message
    std::vector<bool> acknowledged;
    const char* firstAnswers;  // of message 1
};

TEST(ReceiverRetries, FollowsTheStationsScriptEndToEnd) {
    const std::vector<RetryCase> cases = {
        {"NACK*2, ACK", 3, -1, {3, 3}, {true, true}, "NACK, NACK, ACK"},
        {"NONE", 1, -1, {2}, {false}, "no answer, no answer"},
        {"NACK", 2, -1, {3}, {false}, "NACK, NACK, NACK"},
        {"ACK CLOSE", 3, 10, {1, 2}, {true, true}, "ACK"},  // 2: sent as it closed
    };
    for (const RetryCase& c : cases) {
        SCOPED_TRACE(c.script);
        corvane::test::ServerHarness server;
        ASSERT_TRUE(server.station().answerScripts().apply(c.script, "", false));
        server.station().answerScripts().setEnabled(true);
        ASSERT_TRUE(server.start());
        RunOptions options;
        options.port = static_cast<std::uint16_t>(server.port());
        options.kinds = {Kind::Cid};
        options.count = c.attempts.size();
        options.retrying = true;
        options.retries = c.retries;
        options.ackWaitMs = 1000;  // room for a slow build (sanitizers); only NONE waits it out
        options.reconnectMs = c.reconnectMs;
        const RetryResult result = runRetrying(options);
        ASSERT_EQ(result.error, "");
        ASSERT_EQ(result.messages.size(), c.attempts.size());
        std::string first;
        for (const AnswerSeen& seen : result.messages[0].answers) {
            first += (first.empty() ? "" : ", ") + seen.word;
        }
        EXPECT_EQ(first, c.firstAnswers);
        for (std::size_t i = 0; i < c.attempts.size(); ++i) {
            EXPECT_EQ(result.messages[i].attempts, c.attempts[i]);
            EXPECT_EQ(result.messages[i].acknowledged, c.acknowledged[i]);
        }
        EXPECT_EQ(result.reconnects, c.reconnectMs >= 0 ? 1 : 0);
    }
}

}  // namespace
}  // namespace corvane::sim
