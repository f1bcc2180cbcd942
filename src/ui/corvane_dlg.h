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
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "link/station_core.h"
#include "station/window.h"
#include "ui/control_ids.h"
#include "ui/dialog_units.h"

class QAction;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QTimer;

class CCorvaneDlg : public QDialog, private corvane::Window {
    Q_OBJECT

  public:
    // Asks the operator for the protocol; nothing when the question is cancelled.
    using ProtocolChooser = std::function<std::optional<QString>()>;
    // Shows one modal message (a refused field, a failed start) and returns when it is answered.
    using Prompt = std::function<void(const QString&)>;

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
    // Reads the controls into the record, checking the numeric fields; stops at the first refused
    // field (already reported to the operator) and returns false.
    bool saveTransfer() override;

    // The About box, modally.
    void openAbout();
    // The button that opens a tool window, by its caption; null when there is none.
    QPushButton* toolButton(const QString& caption) const;

    // Enter in a one-line field: the settings are read back, and the window closes only if every
    // field was accepted.
    void accept() override;

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

  private:
    // ---- Window: what the core reports to the window ----
    void linkChanged(const corvane::LinkReport& report) override;
    void refreshLogView() override;
    void requestLinkCheck() override;
    void showCounts(const corvane::Counts& counts) override;
    void startFailed(corvane::LinkMode mode, const corvane::Failure& why) override;

    // Control updates, from any thread: applied at once on the UI thread, queued from others.
    void setControlText(int controlId, const std::string& text);
    void enableControl(int controlId, bool enabled);

    // ---- building ----
    void buildControls();
    void connectHandlers();

    // ---- handlers ----
    void onResponseModeClicked(int mode);
    void onShowLogClicked();
    void onReceiverTypeActivated(int index);
    void onModeActivated(int index);
    void applyModeSelection();  // the mode handler
    void setUpForProtocol();

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

    corvane::StationCore m_core;
    corvane::Station& m_station;
    corvane::ui::DialogUnits m_units;
    std::map<int, QWidget*> m_controls;
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
    Prompt m_prompt;

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
