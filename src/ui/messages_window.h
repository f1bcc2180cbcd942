// The "Messages" window: the records of this run as a live table with filters, a details pane,
// copy and save; the receivers view; the live chart. Non-modal, owned by the main window; its
// timer runs only while it is shown.
#pragma once

#include <QWidget>
#include <memory>

#include "record/message_records.h"
#include "record/tally.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QSpinBox;
class QTabWidget;
class QTableView;
class QTimer;

namespace corvane::ui {

class LiveChart;
class ReceiversView;
class RecordSaving;
class RecordTableModel;

class MessagesWindow : public QWidget {
    Q_OBJECT

  public:
    static constexpr int kTickMs = 250;
    static constexpr int kTicksPerSecond = 1000 / kTickMs;

    // Keeps the records (through `saving`) and `tally` alive as long as the window: the main
    // window's station core goes away before the main window deletes its child windows.
    MessagesWindow(std::shared_ptr<RecordSaving> saving, std::shared_ptr<Tally> tally,
                   QWidget* owner);
    // A window with saving of its own (nothing else asks what was saved).
    MessagesWindow(std::shared_ptr<MessageRecords> records, std::shared_ptr<Tally> tally,
                   QWidget* owner);
    ~MessagesWindow() override;

    // One timer tick: new rows in one batch, following them unless the operator scrolled away;
    // once a second also the receivers view and the chart.
    void tick();
    // The table shows the newest row and keeps doing so as rows come (until the operator
    // scrolls up; scrolling back to the bottom follows again).
    bool following() const { return m_following; }
    // Writes every held record to `path` (CSV or JSON Lines by its name); empty or the error.
    QString saveTo(const QString& path);
    // The selected rows as tab-separated lines, also put on the clipboard.
    QString copySelection();

    RecordTableModel& model() { return *m_model; }
    QTableView& table() { return *m_table; }
    QPlainTextEdit& details() { return *m_details; }
    ReceiversView& receivers() { return *m_receivers; }
    LiveChart& chart() { return *m_chart; }
    void setKindFilter(int comboIndex);
    void setTextFilter(const QString& text);
    // Keeps the newest `records` records from now on (older ones are dropped at once).
    void setLimit(int records);
    // Keeps no more records than fit in `mebibytes` MiB from now on.
    void setMemoryLimit(int mebibytes);

  protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    void applyFilter();
    void showDetails();
    void save();
    void sizeColumns();

    std::shared_ptr<RecordSaving> m_saving;
    std::shared_ptr<Tally> m_tally;
    MessageRecords& m_records;
    RecordTableModel* m_model;
    QComboBox* m_kind;
    QLineEdit* m_receiver;
    QLineEdit* m_text;
    QSpinBox* m_limit;
    QSpinBox* m_memory;
    QTableView* m_table;
    QPlainTextEdit* m_details;
    QTabWidget* m_tabs;
    ReceiversView* m_receivers;
    LiveChart* m_chart;
    QLabel* m_status;
    QTimer* m_timer;
    int m_ticks = 0;
    bool m_following = true;
};

}  // namespace corvane::ui
