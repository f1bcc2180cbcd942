// The "Answer Script" window: the two script fields, the "Answer by script" switch, ready
// examples, the parse error, the step each receiver is at, and Client mode's reconnect period.
// Not modal, owned by the main window.
#pragma once

#include <QDialog>

class CCorvaneDlg;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QSpinBox;
class QTimer;

namespace corvane::ui {

class AnswerScriptWindow : public QDialog {
    Q_OBJECT

  public:
    explicit AnswerScriptWindow(CCorvaneDlg& main);

    QLineEdit* mainScriptEdit() const { return m_mainEdit; }
    QLineEdit* heartbeatScriptEdit() const { return m_heartbeatEdit; }
    QCheckBox* scriptSwitch() const { return m_switch; }
    QComboBox* examples() const { return m_examples; }
    QLabel* errorLabel() const { return m_error; }
    QListWidget* receiverSteps() const { return m_steps; }
    QSpinBox* reconnectSeconds() const { return m_reconnect; }

    // Reads the live steps from the core (the timer calls it twice a second).
    void refreshSteps();
    // Shows the scripts in force and whether they answer (changed elsewhere: the control API),
    // without starting or stopping them.
    void showScriptsInForce();

  private:
    // Parses the fields; on success the new scripts are in force, and `start` switches them on
    // (with the log line). False leaves them unchanged and shows why.
    bool putFieldsInForce(bool start);
    // Apply: the fields in force, started again when the scripts are on.
    bool applyScripts();
    void onSwitchToggled(bool on);
    void onExampleChosen(int index);

    CCorvaneDlg& m_main;
    QLineEdit* m_mainEdit = nullptr;       // the main script
    QLineEdit* m_heartbeatEdit = nullptr;  // the script for heartbeats and link tests
    QCheckBox* m_switch = nullptr;         // "Answer by script"
    QComboBox* m_examples = nullptr;
    QLabel* m_error = nullptr;       // why the fields were refused
    QListWidget* m_steps = nullptr;  // one line per receiver connection
    QSpinBox* m_reconnect = nullptr;
    QTimer* m_refresh = nullptr;  // reads the live steps twice a second
};

}  // namespace corvane::ui
