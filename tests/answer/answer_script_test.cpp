// The script language: what it accepts, how it unrolls, and how it refuses bad input.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "answer/answer_plan.h"
#include "answer/answer_script.h"

namespace corvane::answer {
namespace {

struct Good {
    const char* text;
    bool siaDcs;
    std::vector<std::string> steps;  // each step written back
};

TEST(AnswerScript, ParsesAndUnrolls) {
    const std::vector<Good> cases = {
        {"ACK", false, {"ACK"}},
        {" nack * 2 ,delay 4500 Ack,NONE ,  ack close 200",
         false,
         {"NACK", "NACK", "DELAY 4500 ACK", "NONE", "ACK CLOSE 200"}},
        {"CUSTOM CLOSE", false, {"CUSTOM CLOSE"}},
        {"DELAY 0 ACK CLOSE 0*2", false, {"ACK CLOSE", "ACK CLOSE"}},
        {"nak, DUH, DELAY 3600000 NACK", true, {"NAK", "DUH", "DELAY 3600000 NACK"}},
        {"ACK*1000", false, std::vector<std::string>(1000, "ACK")},
    };
    for (const Good& c : cases) {
        SCOPED_TRACE(c.text);
        const Result<Script> script = parseScript(c.text, c.siaDcs);
        ASSERT_TRUE(script) << script.error().why;
        std::vector<std::string> written;
        for (const Step& step : script->steps) {
            written.push_back(stepText(step));
        }
        EXPECT_EQ(written, c.steps);
    }
}

struct Bad {
    const char* text;
    bool siaDcs;
    std::size_t position;
    const char* reason;
};

TEST(AnswerScript, RefusesWithPositionAndReason) {
    const std::vector<Bad> cases = {
        {"", false, 1, "the script is empty"},
        {"  ", false, 3, "the script is empty"},
        {"ACK*1001", false, 5, "repeat count after \"*\" above 1000"},
        {"ACK*500, NACK*501", false, 18, "more than 1000 steps"},
        {"DELAY 86400000 ACK", false, 7, "delay in milliseconds after DELAY above 3600000"},
        {"DELAY 99999999999999999999 ACK", false, 7,
         "delay in milliseconds after DELAY above 3600000"},
        {"ACK*0", false, 5, "repeat count after \"*\" below 1"},
        {"DELAY -5 ACK", false, 7, "negative numbers are not allowed"},
        {"ACK CLOSE -1", false, 11, "negative numbers are not allowed"},
        {"ACK, BEEP", false, 6, "unknown word \"BEEP\""},
        {"NAK", false, 1, "\"NAK\" is a SIA-DCS answer"},
        {"DELAY ACK", false, 7, "expected a delay in milliseconds after DELAY"},
        {"ACK,", false, 5, "expected an answer word"},
        {"ACK NACK", false, 5, "unexpected \"NACK\""},
        {"ACK; NACK", false, 4, "unexpected \";\""},
        {"ACK*", false, 5, "expected a repeat count after \"*\""},
    };
    for (const Bad& c : cases) {
        SCOPED_TRACE(c.text);
        const Result<Script> script = parseScript(c.text, c.siaDcs);
        ASSERT_FALSE(script);
        EXPECT_EQ(script.error().why,
                  "position " + std::to_string(c.position) + ": " + std::string(c.reason));
    }
}

TEST(AnswerScripts, RefusedApplyKeepsTheScriptInForce) {
    AnswerScripts scripts;
    ASSERT_TRUE(scripts.apply("NACK, ACK", "", false));
    const auto before = scripts.current();
    EXPECT_EQ(scripts.apply("ACK*0", "", false).error().why,
              "Main script, position 5: repeat count after \"*\" below 1");
    EXPECT_EQ(scripts.apply("ACK", "BEEP", false).error().why,
              "Heartbeat script, position 1: unknown word \"BEEP\"");
    EXPECT_EQ(scripts.current(), before);
    EXPECT_FALSE(before->heartbeat);
}

TEST(ScriptCursor, WalksWrapsAndRestartsOnANewScript) {
    AnswerScripts scripts;
    ASSERT_TRUE(scripts.apply("NACK*2, ACK", "NONE", false));
    ScriptCursor cursor;
    std::vector<int> taken;
    int index = 0;
    for (const bool heartbeat : {false, true, false, false, false}) {
        cursor.take(*scripts.current(), heartbeat, index);
        taken.push_back(heartbeat ? 100 + index : index);
    }
    EXPECT_EQ(taken, (std::vector<int>{0, 100, 1, 2, 0}));
    ASSERT_TRUE(scripts.apply("NACK*2, ACK", "", false));
    EXPECT_EQ(cursor.take(*scripts.current(), true, index).word, AnswerWord::Nack);
    EXPECT_EQ(index, 0) << "a new script starts at step 1; heartbeats follow the main one";
}

}  // namespace
}  // namespace corvane::answer
