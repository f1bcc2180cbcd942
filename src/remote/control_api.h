// The control API under /v1, as requests and answers with no HTTP library in sight: the server
// hands each request here on its own threads. Everything is read from the station's snapshots and
// changed through the same hand-overs the window uses, so no request waits for a receiving thread.
#pragma once

#include <nlohmann/json.hpp>

#include <chrono>
#include <functional>
#include <map>
#include <mutex>
#include <string>

#include "record/tally.h"
#include "remote/link_watch.h"
#include "station/station.h"

namespace corvane::remote {

struct ApiRequest {
    std::string method;  // "GET", "PUT", ...
    std::string path;    // "/v1/status"
    std::map<std::string, std::string> query;
    std::string body;
};

struct ApiResponse {
    int status = 200;
    std::string body;
    std::string contentType = "application/json";
    std::string allow;  // with 405: the methods the path takes
};

// What the front end does for the API. Any thread; none may wait for the UI thread.
struct ControlHooks {
    // The summary's fields now (its `--json` summary, for corvane-station); unset: the station's
    // own fields of the same names.
    std::function<nlohmann::ordered_json(const TallyTotals& totals, double seconds)> summary;
    // Stops the link as Disconnect does and ends the run.
    std::function<void()> stop;
    // A setting changed (answers, DC-09): the window shows it in its controls.
    std::function<void()> changed;
};

class ControlApi {
  public:
    ControlApi(Station& station, const LinkWatch& watch, ControlHooks hooks);

    ApiResponse handle(const ApiRequest& request);

    // GET /v1/records answers at most this many records (a larger limit is cut to it).
    static constexpr std::size_t kMaxRecords = 10000;

  private:
    ApiResponse status() const;
    ApiResponse putAnswers(const ApiRequest& request);
    ApiResponse putDc09(const ApiRequest& request);
    ApiResponse exportRecords(const ApiRequest& request);
    ApiResponse records(const ApiRequest& request) const;
    ApiResponse stop();

    Station& m_station;
    const LinkWatch& m_watch;
    ControlHooks m_hooks;
    // Held from reading the settings in force to handing the changed ones over: two requests
    // at once must not each change a copy of the same settings and lose the other's change.
    std::mutex m_changing;
    std::chrono::steady_clock::time_point m_start = std::chrono::steady_clock::now();
};

// {"error": why} with `status`.
ApiResponse errorResponse(int status, const std::string& why);

}  // namespace corvane::remote
