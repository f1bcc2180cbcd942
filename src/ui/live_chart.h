// The live chart of the Messages window: messages per second and the mean answer latency over
// the last 10 minutes, one point per second, drawn by a small painter of its own. It samples only
// while the window shows it.
#pragma once

#include <QWidget>
#include <deque>

#include "record/message_records.h"
#include "record/tally.h"

namespace corvane::ui {

class LiveChart : public QWidget {
    Q_OBJECT

  public:
    static constexpr int kSeconds = 600;

    LiveChart(const MessageRecords& records, const Tally& tally, QWidget* parent = nullptr);
    // Takes one sample (what the tally counted since the last one) and redraws; called once a
    // second.
    void sample();
    // Refills the last 10 minutes from the records still held (when the window opens).
    void backfill();

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    struct Second {
        double messages = 0;
        double latencyUs = -1;  // mean, -1 when no answer was timed
    };

    const MessageRecords& m_records;
    const Tally& m_tally;
    std::deque<Second> m_seconds;  // oldest first, at most kSeconds
    Tally::Progress m_seen;
};

}  // namespace corvane::ui
