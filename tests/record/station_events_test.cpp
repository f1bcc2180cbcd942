// Each station event read back by a JSON parser: the type, the schema and a UTC time with
// microseconds first, then its own fields; a message event has its record's export fields.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "record/station_events.h"

namespace corvane::events {
namespace {

using nlohmann::json;

constexpr std::int64_t kUs = 1'796'680'261'778'425;  // 2026-12-07T21:51:01.778425Z

TEST(StationEvents, EachTypeReadsBackWithItsFields) {
    Reply delayed;
    delayed.word = AnswerWord::Nack;
    delayed.step = 2;
    const struct {
        std::string text;
        const char* type;
        json fields;
    } cases[] = {
        {eventJson(Listening{kUs, "::", 40123}), "listening", {{"address", "::"}, {"port", 40123}}},
        {eventJson(Connected{kUs, 3, "[fd00::20]:1025"}),
         "connected",
         {{"connection", 3}, {"peer", "[fd00::20]:1025"}}},
        {eventJson(Lost{kUs, 3, ""}), "lost", {{"connection", 3}, {"peer", nullptr}}},
        {eventJson(Answer{kUs, 0, 3, delayed, "\x15", -1}),
         "answer",
         {{"sequence", nullptr},
          {"answer_hex", "15"},
          {"answer_word", "NACK"},
          {"answer_step", 2},
          {"latency_us", nullptr}}},
        {eventJson(Stopped{kUs, "SIGTERM"}), "stopped", {{"cause", "SIGTERM"}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const json event = json::parse(c.text);
        EXPECT_EQ(event.at("type"), c.type);
        EXPECT_EQ(event.at("schema"), kSchemaVersion);
        EXPECT_EQ(event.at("time"), "2026-12-07T21:51:01.778425Z");
        for (const auto& [name, value] : c.fields.items()) {
            EXPECT_EQ(event.at(name), value) << name;
        }
    }
}

TEST(StationEvents, AMessageCarriesItsRecordAccountAndEvents) {
    MessageRecord record;
    record.sequence = 7;
    record.receivedUs = kUs;
    record.connection = 2;
    record.peer = "127.0.0.1:40000";
    record.protocol = Protocol::SurGard;
    record.raw = "S01001[#1000|Nri1/BA05]\x14\xff";  // a byte that is not UTF-8
    record.kind = MessageKind::Sia;
    record.answerWord = AnswerWord::Ack;
    record.answerState = Delivery::State::Sent;
    record.answerBytes = "\x06";
    record.latencyUs = 40;
    const json event = json::parse(eventJson(record, "1000"));
    EXPECT_EQ(event.at("type"), "message");
    EXPECT_EQ(event.at("sequence"), 7);
    EXPECT_EQ(event.at("received_utc"), event.at("time"));
    EXPECT_EQ(event.at("kind"), "SIA");
    EXPECT_EQ(event.at("raw_text"), "S01001[#1000|Nri1/BA05]\\x14\\xFF");
    EXPECT_EQ(event.at("answer_word"), "ACK");
    EXPECT_EQ(event.at("latency_us"), 40);
    EXPECT_EQ(event.at("account"), "1000");
    EXPECT_EQ(event.at("events"),
              json::parse(R"([{"code":"BA","address":"05","text":"","area":"1","user":""}])"));

    record.kind = MessageKind::Cid;
    record.cidQualifier = 'E';
    record.cidEvent = 130;
    EXPECT_EQ(json::parse(eventJson(record, "1234")).at("events"),
              json::parse(R"([{"qualifier":"E","code":"130"}])"));
}

}  // namespace
}  // namespace corvane::events
