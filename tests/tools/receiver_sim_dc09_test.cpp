// corvane-receiver's DC-09 additions: the --key, --suite and adm-cid command line, the ADM-CID
// layout, and the encrypted ACK check.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "receiver/command_line.h"
#include "receiver/dc09_crypto.h"
#include "receiver/dc09_frame.h"
#include "receiver/message_generator.h"

namespace corvane::sim {
namespace {

TEST(ReceiverSimDc09Options, KeysSuiteAndAdmCid) {
    struct Case {
        std::vector<std::string> args;
        bool ok;
    };
    const std::string hex = "000102030405060708090A0B0C0D0E0F";
    const Case cases[] = {
        {{"--key", hex}, true},
        {{"--key", "1000=" + hex, "--key", "text:ABCDEFGHIJKLMNOPQRSTUVWX"}, true},
        {{"--suite", "dc09"}, true},
        {{"--kinds", "adm-cid,dc09"}, true},
        {{"--key", "=" + hex}, false},
        {{"--key", "1000=short"}, false},
        {{"--suite", "sia"}, false},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = {"--connect", "1025", "--protocol", "sia-dcs"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        EXPECT_EQ(parseCommandLine(args).error.empty(), c.ok) << c.args[1];
    }
    EXPECT_FALSE(parseCommandLine({"--connect", "1025", "--key", hex}).error.empty())
        << "keys are for sia-dcs";
    const CommandLine line =
        parseCommandLine({"--connect", "1025", "--protocol", "sia-dcs", "--key", "1000=" + hex});
    EXPECT_EQ(line.options.keys.forAccount("1000").size(), 16U);
    EXPECT_TRUE(line.options.keys.forAccount("1001").empty());
}

TEST(ReceiverSimDc09Messages, AdmCidFrameAndEncryptedAckCheck) {
    const RunOptions o;
    MessageGenerator generator(o, 0);
    const Message cid = generator.next(Kind::AdmCid);
    EXPECT_EQ(cid.bytes, dc09Frame("\"ADM-CID\"0001R1L1#1000[#1000|1130 01 000]"));
    EXPECT_EQ(cid.echo, "0001R1L1#1000");

    // An ACK built by the receiver's own encryption, as a station would answer.
    const std::string key(16, 'K');
    const std::time_t now = 1700000000;
    const std::string ack = encryptedBody("ACK", "0001R1L1#1000", "]", key, now);
    struct Case {
        std::string body;
        std::time_t checkedAt;
        bool good;
    };
    const Case cases[] = {
        {ack, now, true},
        {ack, now + 2, true},
        {ack, now - 3, false},
        {encryptedBody("ACK", "0002R1L1#1000", "]", key, now), now, false},
        {encryptedBody("ACK", "0001R1L1#1000", "]", std::string(16, 'L'), now), now, false},
        {"\"ACK\"0001R1L1#1000[]", now, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(checkEncryptedAckBody(c.body, "0001R1L1#1000", key, c.checkedAt).empty(), c.good)
            << c.body;
    }
}

}  // namespace
}  // namespace corvane::sim
