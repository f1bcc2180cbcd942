// The live chart of the Messages window: messages per second and the mean answer latency over
// the last 10 minutes, one point per second, drawn by a small painter of its own. It samples only
// while the window shows it.
//
// Each message counts in the second it was received, not in the second the chart happened to
// see it: messages reach the tally in batches and the timer does not tick exactly once a second,
// so counting what arrived between two samples would draw dips and peaks that never happened. A
// second is drawn once it has ended and settled; a message that is still counted later for a
// drawn second raises that point.
#pragma once

#include <QWidget>
#include <cstdint>
#include <vector>

#include "platform/clock.h"
#include "record/tally.h"

namespace corvane::ui {

// The chart: one point per second, read from the tally's counts per second of receipt.
class LiveChart : public QWidget {
    Q_OBJECT

  public:
    static constexpr int kSeconds = 600;
    static_assert(kSeconds < static_cast<int>(Tally::kSecondsKept));

    // How long after its end a second is drawn: messages take this long at most to reach the
    // tally.
    static constexpr std::int64_t kSettleUs = 500'000;

    struct Point {
        double messages = 0;
        double latencyUs = -1;  // mean, -1 when no answer was timed
    };

    explicit LiveChart(const Tally& tally, QWidget* parent = nullptr);
    // Reads the tally again and redraws up to the last settled second before `nowUs`; called
    // about once a second.
    void sample(std::int64_t nowUs = utcMicrosecondsNow());
    // Refills the last 10 minutes (when the window opens).
    void backfill(std::int64_t nowUs = utcMicrosecondsNow());
    // The points drawn, one per second, oldest first, the newest settled second last.
    const std::vector<Point>& points() const { return m_points; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    void readTally();

    const Tally& m_tally;
    std::int64_t m_lastSecond = 0;  // the newest second drawn
    std::vector<Point> m_points;
};

}  // namespace corvane::ui
