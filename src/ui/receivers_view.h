// The receivers view of the Messages window: one row per receiver connection with its peer, when
// it connected or was lost, its messages by kind, its last message, its answers by word and the
// answer latency p50 and p99.
#pragma once

#include <QTableWidget>

#include "record/tally.h"

namespace corvane::ui {

class ReceiversView : public QTableWidget {
    Q_OBJECT

  public:
    explicit ReceiversView(const Tally& tally, QWidget* parent = nullptr);
    void refresh();

  private:
    void widenColumns();

    const Tally& m_tally;
};

}  // namespace corvane::ui
