// The main window: the operator's console over the station core it owns.
//
// The window builds its controls from the control table, binds them to the station record by the
// load and save transfers, and turns what the core reports (link states, counts, a failed start)
// into its captions, status texts and message boxes. Worker threads never wait for it: their
// reports and log refreshes are queued and applied on the UI thread in arrival order.
#pragma once

#include <QDialog>
#include <QElapsedTimer>
#include <QString>
#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "link/station_core.h"
#include "remote/link_watch.h"
#include "station/window.h"
#include "ui/control_ids.h"
#include "ui/dialog_units.h"
#include "ui/quit_question.h"

class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QTimer;

namespace corvane::ui {
class ConsoleLayout;
class RecordSaving;
struct ControlSpec;
}  // namespace corvane::ui

class CCorvaneDlg : public QDialog, private corvane::Window {
    Q_OBJECT

  public:
    // Asks the operator for the protocol; nothing when the question is cancelled.
    using ProtocolChooser = std::function<std::optional<QString>()>;
    // Shows one modal message (a refused field, a failed start) and returns when it is answered.
    using Prompt = std::function<void(const QString&)>;
    // Asks whether to quit while a run is in progress.
    using QuitQuestion = std::function<corvane::ui::QuitAnswer(const corvane::ui::RunInProgress&)>;

    explicit CCorvaneDlg(QWidget* parent = nullptr);
    ~CCorvaneDlg() override;

    // The window's initialisation: asks for the protocol first, then sets the window up for it and
    // starts the one-second timer. Returns false when the protocol question was cancelled; the
    // window is then not set up and should not be run.
    bool initialise(const ProtocolChooser& chooseProtocol = runProtocolDialog);
    // The protocol question as the operator sees it: the protocol dialog, run modally.
    static std::optional<QString> runProtocolDialog();

    // Replaces the modal message box (tests answer prompts themselves).
    void setPrompt(Prompt prompt);
    // Replaces the question asked before the window closes during a run.
    void setQuitQuestion(QuitQuestion question);

    // Saving the message records, and what was never saved.
    corvane::ui::RecordSaving& recordSaving() { return *m_recordSaving; }
    const std::shared_ptr<corvane::ui::RecordSaving>& sharedRecordSaving() const {
        return m_recordSaving;
    }
    // What closing the window now would end.
    corvane::ui::RunInProgress runInProgress() const;

    // The window's own minimum size and its size when first shown.
    QSize defaultSize() const;
    // Sizes the window to its default size, or to what fits `available` (a screen's free area)
    // when that is smaller.
    void fitInto(const QRect& available);

    // The station core behind the window, and its record.
    corvane::StationCore& core() { return m_core; }
    corvane::Station& station() { return m_core.station(); }
    // The one-second timer's period (tests shorten it).
    void setTimerPeriod(int milliseconds);

    // The control with this identifier, or null.
    QWidget* control(int id) const;
    const corvane::ui::DialogUnits& dialogUnits() const { return m_units; }

    // Shows the record in the controls.
    void loadTransfer();
    // Shows the answer settings in force (the radio buttons and the custom field) after a change
    // from elsewhere (the control API), leaving the other controls as the operator left them.
    void showAnswerSettings();
    // Hears every link report, for the metrics and the control API's status.
    const corvane::remote::LinkWatch& linkWatch() const { return m_linkWatch; }
    // Reads the controls into the record, checking the numeric fields; stops at the first refused
    // field (already reported to the operator) and returns false.
    bool saveTransfer() override;

    // The About box, modally.
    void openAbout();
    // The button that opens a tool window, by its caption; null when there is none.
    QPushButton* toolButton(const QString& caption) const;

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool event(QEvent* event) override;

  private:
    // ---- Window: what the core reports to the window ----
    void linkChanged(const corvane::LinkReport& report) override;
    void refreshLogView() override;
    void requestLinkCheck() override;
    void showCounts(const corvane::Counts& counts) override;
    void startFailed(corvane::LinkMode mode, const corvane::Failure& why) override;
    void connecting(bool underWay) override;

    // Control updates, from any thread: applied at once on the UI thread, queued from others.
    void setControlText(int controlId, const std::string& text);
    void enableControl(int controlId, bool enabled);

    // ---- building ----
    void buildControls();
    void setReadingTabOrder(
        const std::vector<std::pair<const corvane::ui::ControlSpec*, QWidget*>>& built);
    void connectHandlers();
    // Places the controls for the window's size and captions, and updates the minimum size.
    void relayout();
    // Only the checked radio button is a Tab stop (all of them when none is checked).
    void fixRadioTabStops();

    // ---- handlers ----
    void onResponseModeClicked(int mode);
    void onShowLogClicked();
    void onReceiverTypeActivated(int index);
    void onModeActivated(int index);
    void applyModeSelection();  // the mode handler
    void setUpForProtocol();
    void enableToolWindows();

    // ---- save transfer helpers ----
    // Reads one integer field: refused when it is no integer (nothing stored) or when the stored
    // value lies outside low..high.
    bool transferInteger(int controlId, const std::function<void(int)>& store, int low, int high);
    void refuse(int controlId, const QString& message);

    // ---- hand-offs from worker threads ----
    struct ControlUpdate {
        int controlId;
        bool isText;  // a text, or else an enabled state
        std::string text;
        bool enabled;
    };
    bool onUiThread() const;
    void postUpdate(ControlUpdate update);
    void drainUpdates();
    void applyUpdate(const ControlUpdate& update);
    void paintLogViewSoon();
    void paintLogView();
    void flushPending();

    corvane::remote::LinkWatch m_linkWatch;  // before the core: outlives its threads
    corvane::StationCore m_core;
    corvane::Station& m_station;
    // The link's latest reported state (reports come from any thread).
    std::atomic<corvane::LinkState> m_linkState{corvane::LinkState::Idle};
    corvane::ui::DialogUnits m_units;
    std::unique_ptr<corvane::ui::ConsoleLayout> m_layout;
    std::map<int, QWidget*> m_controls;
    QLabel* m_customResponseLabel = nullptr;
    QLineEdit* m_customResponseEdit = nullptr;
    QPlainTextEdit* m_logBox = nullptr;
    QPushButton* m_connectButton = nullptr;
    QCheckBox* m_showLogCheck = nullptr;
    QComboBox* m_receiverTypeCombo = nullptr;
    QComboBox* m_modeCombo = nullptr;
    std::vector<QRadioButton*> m_responseRadios;  // in the order of m_responseMode
    QAction* m_aboutAction = nullptr;
    std::vector<QPushButton*> m_toolButtons;  // in the order of ui::toolWindows()
    QTimer* m_timer = nullptr;
    QString m_statusBeforeConnect;  // shown again when a connect attempt is over
    Prompt m_prompt;
    QuitQuestion m_quitQuestion;
    std::shared_ptr<corvane::ui::RecordSaving> m_recordSaving;

    std::mutex m_updatesMutex;  // guards the two members below
    std::vector<ControlUpdate> m_pendingUpdates;
    bool m_drainPosted = false;

    // Log box painting: refreshes only raise a flag; one paint shows the latest view, at most
    // about 25 times a second, so a flood of messages never freezes the window.
    std::atomic<bool> m_paintPending{false};
    QTimer* m_paintTimer = nullptr;
    QElapsedTimer m_sinceLastPaint;
    std::string m_shownView;     // the log bytes the box shows, while unedited
    bool m_boxEdited = false;    // the operator changed the box since the last paint
    bool m_paintingBox = false;  // our own change, not the operator's
};
