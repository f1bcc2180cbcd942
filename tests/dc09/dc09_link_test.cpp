// End to end on 127.0.0.1: corvane-receiver's encrypted frames, ADM-CID frames and the dc09
// suite against a SIA-DCS server with keys.
#include <gtest/gtest.h>

#include <sstream>

#include "../link/server_harness.h"
#include "dc09/key_table.h"
#include "receiver/dc09_suite.h"
#include "receiver/receiver_run.h"

namespace corvane::test {
namespace {

sim::RunOptions optionsFor(int port) {
    sim::RunOptions options;
    options.protocol = sim::Protocol::SiaDcs;
    options.port = static_cast<std::uint16_t>(port);
    options.answerTimeoutMs = 10000;
    return options;
}

TEST(Dc09Link, EncryptedAndAdmCidFramesGetTheirAnswers) {
    ServerHarness server("SIA-DCS");
    Dc09Config config;
    config.keys.set("1000", *dc09::readKey("000102030405060708090A0B0C0D0E0F").key);
    config.keys.set("*", *dc09::readKey("text:0123456789abcdefghijklmnopqrstuv").key);
    server.station().m_dc09.replace(std::move(config));
    ASSERT_TRUE(server.start());
    sim::RunOptions options = optionsFor(server.port());
    options.kinds = {sim::Kind::Dc09, sim::Kind::Null, sim::Kind::AdmCid};
    options.count = 30;
    options.connections = 2;  // accounts 1000 (own key) and 1001 (the "*" key)
    ASSERT_TRUE(sim::addSimKey("1000=000102030405060708090A0B0C0D0E0F", options.keys));
    ASSERT_TRUE(sim::addSimKey("text:0123456789abcdefghijklmnopqrstuv", options.keys));
    const sim::RunResult result = sim::runReceiver(options);
    EXPECT_TRUE(result.allGood()) << (result.total.badSamples.empty()
                                          ? result.error
                                          : result.total.badSamples.front().text);
    server.stop();
}

TEST(Dc09Link, AwkwardFramesSuite) {
    ServerHarness server("SIA-DCS");
    ASSERT_TRUE(server.start());
    std::ostringstream report;
    EXPECT_EQ(sim::runDc09Suite(optionsFor(server.port()), report), 0) << report.str();
    server.stop();
}

}  // namespace
}  // namespace corvane::test
