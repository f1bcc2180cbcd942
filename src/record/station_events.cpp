#include "record/station_events.h"

#include <cstdio>
#include <nlohmann/json.hpp>

#include "protocol/decoded.h"
#include "record/record_export.h"
#include "record/record_text.h"

namespace corvane::events {

namespace {

using Json = nlohmann::ordered_json;

Json head(std::string_view type, std::int64_t timeUs) {
    return Json{{"type", type}, {"schema", kSchemaVersion}, {"time", utcText(timeUs)}};
}

std::string dump(const Json& event) {
    // Bytes that are not UTF-8 (a receiver's raw text) are replaced, never an exception.
    return event.dump(-1, ' ', false, Json::error_handler_t::replace);
}

Json optional(std::int64_t value) {
    return value < 0 ? Json(nullptr) : Json(value);
}

// A Contact ID event as its qualifier and code; the events of a SIA data block as it names them.
Json eventsOf(const MessageRecord& record) {
    Json events = Json::array();
    if (record.cidEvent < 0) {
        for (const SiaEvent& e : decodedOf(record).events()) {
            events.push_back(Json{{"code", e.code},
                                  {"address", e.address},
                                  {"text", escapedText(e.text)},
                                  {"area", e.area},
                                  {"user", e.user}});
        }
    } else {
        char code[8];
        std::snprintf(code, sizeof code, "%03d", static_cast<int>(record.cidEvent));
        events.push_back(
            Json{{"qualifier", std::string(record.cidQualifier == 0 ? 0 : 1, record.cidQualifier)},
                 {"code", code}});
    }
    return events;
}

}  // namespace

std::string eventHead(std::string_view type, std::int64_t timeUs) {
    std::string text = dump(head(type, timeUs));
    text.pop_back();  // the closing brace
    return text;
}

std::string eventJson(const Listening& event) {
    Json json = head("listening", event.timeUs);
    json["address"] = event.address;
    json["port"] = event.port;
    return dump(json);
}

std::string eventJson(const Connected& event) {
    Json json = head("connected", event.timeUs);
    json["connection"] = event.connection;
    json["peer"] = event.peer;
    return dump(json);
}

std::string eventJson(const Lost& event) {
    Json json = head("lost", event.timeUs);
    json["connection"] = event.connection;
    json["peer"] = event.peer.empty() ? Json(nullptr) : Json(event.peer);
    return dump(json);
}

std::string eventJson(const Answer& event) {
    Json json = head("answer", event.timeUs);
    json["sequence"] = event.sequence == 0 ? Json(nullptr) : Json(event.sequence);
    json["connection"] = event.connection;
    json["answer_hex"] = hexOf(event.bytes);
    json["answer_text"] = escapedText(event.bytes);
    json["answer_word"] = answerWordName(event.reply.word);
    json["answer_step"] = optional(event.reply.step);
    json["latency_us"] = optional(event.latencyUs);
    return dump(json);
}

std::string eventJson(const Stopped& event) {
    Json json = head("stopped", event.timeUs);
    json["cause"] = event.cause;
    return dump(json);
}

std::string eventJson(const MessageRecord& record, std::string_view account) {
    // The record's fields as the export writes them, after the head and before the two the
    // record does not keep.
    std::string line;
    appendJsonLine(line, record);
    std::string text = eventHead("message", record.receivedUs);
    text += ',';
    text.append(line, 1, line.size() - 3);  // without "{" and "}\n"
    text += ",\"account\":";
    text += dump(Json(escapedText(account)));
    text += ",\"events\":";
    text += dump(eventsOf(record));
    text += '}';
    return text;
}

}  // namespace corvane::events
