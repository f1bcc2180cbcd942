// The live chart of the Messages window: messages per second and the mean answer latency over
// the last 10 minutes, one point per second, drawn by a small painter of its own. It samples only
// while the window shows it.
//
// Each message counts in the second it was received, not in the second the chart happened to
// see it: records reach the ring in batches and the timer does not tick exactly once a second,
// so counting what arrived between two samples would draw dips and peaks that never happened. A
// second is drawn once it has ended and settled; a record that still comes later for a drawn
// second raises that point.
#pragma once

#include <QWidget>
#include <cstdint>
#include <map>
#include <vector>

#include "pipeline/received_message.h"
#include "record/message_records.h"

namespace corvane::ui {

class LiveChart : public QWidget {
    Q_OBJECT

  public:
    static constexpr int kSeconds = 600;

    // How long after its end a second is drawn: records take this long at most to reach the ring.
    static constexpr std::int64_t kSettleUs = 500'000;

    struct Point {
        double messages = 0;
        double latencyUs = -1;  // mean, -1 when no answer was timed
    };

    explicit LiveChart(const MessageRecords& records, QWidget* parent = nullptr);
    // Takes in the records added since the last call and redraws up to the last settled second
    // before `nowUs`; called about once a second.
    void sample(std::int64_t nowUs = utcMicrosecondsNow());
    // Refills the last 10 minutes from the records still held (when the window opens).
    void backfill(std::int64_t nowUs = utcMicrosecondsNow());
    // The points drawn, one per second, oldest first, the newest settled second last.
    std::vector<Point> points() const;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    struct Second {
        double messages = 0;
        double latencySum = 0;
        double timed = 0;
    };
    void takeIn(std::uint64_t from, std::uint64_t to);

    const MessageRecords& m_records;
    std::map<std::int64_t, Second> m_seconds;  // by UTC second; none kept before the chart's start
    std::int64_t m_lastSecond = 0;             // the newest second drawn
    std::uint64_t m_seen = 0;
};

}  // namespace corvane::ui
