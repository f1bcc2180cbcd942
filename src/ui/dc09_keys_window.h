// The "DC-09 Keys" window: the key table (keys masked unless "Show keys" is on), loading it from
// a keys file, and the other DC-09 settings. Every change goes to the station at once.
#pragma once

#include <QWidget>
#include <functional>

#include "dc09/dc09_settings.h"

class CCorvaneDlg;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTableWidget;

namespace corvane::ui {

class Dc09KeysWindow : public QWidget {
    Q_OBJECT

  public:
    // Shows one refusal to the operator (a message box; tests record it instead).
    using Refusal = std::function<void(const QString&)>;

    explicit Dc09KeysWindow(CCorvaneDlg& main);

    void setRefusal(Refusal refusal) { m_refuse = std::move(refusal); }
    // Adds the account and key typed in the two fields; a bad one is refused.
    void addTypedKey();
    void removeSelected();
    // Replaces the table with the file's keys; an error is refused and the table kept.
    void loadFile(const QString& path);
    // Shows the settings in force (changed elsewhere: the control API), so that the next change
    // here starts from them.
    void showSettingsInForce();

    QTableWidget* table() const { return m_table; }
    QLineEdit* accountField() const { return m_account; }
    QLineEdit* keyField() const { return m_key; }
    QCheckBox* showKeys() const { return m_showKeys; }
    QComboBox* undecryptableChoice() const { return m_undecryptable; }
    QCheckBox* windowSwitch() const { return m_windowOn; }
    QSpinBox* pastBound() const { return m_past; }
    QSpinBox* futureBound() const { return m_future; }
    QCheckBox* wordsSwitch() const { return m_words; }

  private:
    void showTable();
    void apply();

    CCorvaneDlg& m_main;
    dc09::KeyTable m_keys;
    Refusal m_refuse;
    QTableWidget* m_table;
    QLineEdit* m_account;
    QLineEdit* m_key;
    QCheckBox* m_showKeys;
    QComboBox* m_undecryptable;
    QCheckBox* m_windowOn;
    QSpinBox* m_past;
    QSpinBox* m_future;
    QCheckBox* m_words;
};

}  // namespace corvane::ui
