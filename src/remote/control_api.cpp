#include "remote/control_api.h"

#include <charconv>
#include <optional>
#include <string_view>

#include "dc09/dc09_settings.h"
#include "record/message_records.h"
#include "record/record_export.h"
#include "record/tally_json.h"
#include "remote/answers_change.h"
#include "remote/dc09_change.h"
#include "remote/json_body.h"

namespace corvane::remote {

namespace {

ApiResponse jsonResponse(int status, const nlohmann::ordered_json& body) {
    ApiResponse response;
    response.status = status;
    response.body = body.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
    return response;
}

std::optional<std::uint64_t> number(const std::map<std::string, std::string>& query,
                                    const std::string& key, std::uint64_t fallback) {
    const auto found = query.find(key);
    if (found == query.end()) {
        return fallback;
    }
    std::uint64_t value = 0;
    const std::string& text = found->second;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || text.empty()) {
        return std::nullopt;
    }
    return value;
}

// The summary's fields under the station's own kind names, for a front end without its own.
nlohmann::ordered_json ownSummary(const TallyTotals& t, double seconds) {
    nlohmann::ordered_json kinds = nlohmann::ordered_json::object();
    for (std::size_t i = 0; i < t.byKind.size(); ++i) {
        kinds[std::string(messageKindName(static_cast<MessageKind>(i)))] = t.byKind[i];
    }
    nlohmann::ordered_json summary = {
        {"messages", t.messages}, {"seconds", seconds}, {"kinds", kinds}};
    summary.update(tallyFields(t));
    return summary;
}

}  // namespace

ApiResponse errorResponse(int status, const std::string& why) {
    return jsonResponse(status, {{"error", why}});
}

ControlApi::ControlApi(Station& station, const LinkWatch& watch, ControlHooks hooks)
    : m_station(station), m_watch(watch), m_hooks(std::move(hooks)) {}

ApiResponse ControlApi::handle(const ApiRequest& request) {
    const std::string_view path = request.path;
    const std::string_view method = request.method;
    const auto only = [&](std::string_view allowed, auto&& call) {
        if (method != allowed) {
            ApiResponse response =
                errorResponse(405, std::string(path) + " takes " + std::string(allowed));
            response.allow = std::string(allowed);
            return response;
        }
        return call();
    };
    if (path == "/v1/status") {
        return only("GET", [&] { return status(); });
    }
    if (path == "/v1/answers") {
        return only("PUT", [&] { return putAnswers(request); });
    }
    if (path == "/v1/dc09") {
        return only("PUT", [&] { return putDc09(request); });
    }
    if (path == "/v1/export") {
        return only("POST", [&] { return exportRecords(request); });
    }
    if (path == "/v1/records") {
        return only("GET", [&] { return records(request); });
    }
    if (path == "/v1/stop") {
        return only("POST", [&] { return stop(); });
    }
    return errorResponse(404, "no such endpoint: " + std::string(path));
}

ApiResponse ControlApi::status() const {
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - m_start).count();
    const TallyTotals totals = m_station.tally().totals();
    nlohmann::ordered_json body =
        m_hooks.summary ? m_hooks.summary(totals, seconds) : ownSummary(totals, seconds);
    body["event"] = "status";
    body["receivers"]["connected"] = m_station.tally().connectedNow();
    const MessageRecords& records = m_station.records();
    body["records"] = {{"held", records.span().size()}, {"dropped", records.usage().dropped}};
    body["link"] = linkStateName(m_watch.state());
    body["uptime_seconds"] = seconds;
    body["answering"] = answersNow(m_station);
    return jsonResponse(200, body);
}

ApiResponse ControlApi::putAnswers(const ApiRequest& request) {
    const std::lock_guard lock(m_changing);
    const auto change = readAnswersChange(request.body, m_station);
    if (!change) {
        return errorResponse(400, change.error().text());
    }
    applyAnswersChange(m_station, *change);
    if (m_hooks.changed) {
        m_hooks.changed();
    }
    return jsonResponse(200, answersNow(m_station));
}

ApiResponse ControlApi::putDc09(const ApiRequest& request) {
    if (m_station.m_protocol != Protocol::SiaDcs) {
        return errorResponse(400,
                             "DC-09 settings are for SIA-DCS: Sur-Gard lines are never "
                             "encrypted");
    }
    const std::lock_guard lock(m_changing);
    Dc09Settings& settings = m_station.dc09();
    auto config = readDc09Change(request.body, *settings.current());
    if (!config) {
        return errorResponse(400, config.error().text());
    }
    const nlohmann::ordered_json now = dc09Now(*config);
    settings.replace(std::move(*config));
    if (m_hooks.changed) {
        m_hooks.changed();
    }
    return jsonResponse(200, now);
}

ApiResponse ControlApi::exportRecords(const ApiRequest& request) {
    const auto object = readObject(request.body, {"path"});
    if (!object) {
        return errorResponse(400, object.error().text());
    }
    const auto path = object->contains("path") ? textField(*object, "path")
                                               : Result<std::string>(fail("", "", "give \"path\""));
    if (!path) {
        return errorResponse(400, path.error().text());
    }
    // As --export: the format by the name; a relative path lands in the working directory.
    if (!path->ends_with(".csv") && !path->ends_with(".jsonl")) {
        return errorResponse(400, "\"path\": the file name ends in .csv or .jsonl");
    }
    std::uint64_t count = 0;
    if (const Result<void> written = corvane::exportRecords(m_station.records(), *path, &count);
        !written) {
        return errorResponse(500, written.error().why);
    }
    return jsonResponse(200, {{"path", *path}, {"records", count}});
}

ApiResponse ControlApi::records(const ApiRequest& request) const {
    const auto after = number(request.query, "after", 0);
    const auto limit = number(request.query, "limit", 1000);
    if (!after || !limit) {
        return errorResponse(400, "after and limit are whole numbers (after=SEQ&limit=N)");
    }
    ApiResponse response;
    response.contentType = "application/x-ndjson";
    const std::size_t most = static_cast<std::size_t>(std::min<std::uint64_t>(*limit, kMaxRecords));
    if (*after >= m_station.records().span().next) {
        return response;  // nothing newer yet
    }
    for (const MessageRecord& record : m_station.records().copyRange(*after + 1, most)) {
        appendJsonLine(response.body, record);
    }
    return response;
}

ApiResponse ControlApi::stop() {
    if (m_hooks.stop) {
        m_hooks.stop();
    }
    return jsonResponse(202, {{"stopping", true}});
}

}  // namespace corvane::remote
