// One event sink that hands each event on to several: the terminal's writer (--json) and the
// feed of the event streams. Neither waits for its reader, so neither does this.
#pragma once

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "record/station_events.h"

namespace corvane::remote {

class EventFanOut final : public events::EventSink {
  public:
    // Null sinks are left out; the sinks outlive every publish.
    void add(events::EventSink* sink) {
        if (sink != nullptr) {
            m_sinks.push_back(sink);
        }
    }
    bool empty() const { return m_sinks.empty(); }

    bool listened() const override {
        return std::any_of(m_sinks.begin(), m_sinks.end(),
                           [](const events::EventSink* sink) { return sink->listened(); });
    }

    void publish(std::string_view type, std::string json) override {
        for (std::size_t i = 0; i + 1 < m_sinks.size(); ++i) {
            m_sinks[i]->publish(type, json);
        }
        if (!m_sinks.empty()) {
            m_sinks.back()->publish(type, std::move(json));
        }
    }

  private:
    std::vector<events::EventSink*> m_sinks;  // set before the first publish, then read only
};

}  // namespace corvane::remote
