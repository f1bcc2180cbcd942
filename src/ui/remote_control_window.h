// The "Remote Control" window: starts and stops the metrics and control service that
// corvane-station starts from --metrics and --control, on ports the operator types. Off until
// started. A change made through the control API shows in the main window's radio buttons and
// custom field and in the Answer Script window. Not modal, owned by the main window.
#pragma once

#include <QDialog>
#include <memory>

#include "remote/remote_service.h"

class CCorvaneDlg;
class QLabel;
class QLineEdit;
class QPushButton;

namespace corvane::ui {

class RemoteControlWindow : public QDialog {
    Q_OBJECT

  public:
    explicit RemoteControlWindow(CCorvaneDlg& main);
    ~RemoteControlWindow() override;

    QLineEdit* metricsEdit() const { return m_metrics; }
    QLineEdit* controlEdit() const { return m_control; }
    QLineEdit* tokenFileEdit() const { return m_tokenFile; }
    QPushButton* startButton() const { return m_start; }
    QLabel* statusLabel() const { return m_status; }
    remote::RemoteService& service() { return *m_service; }

  private:
    void onStartClicked();
    // Reads the fields; false (with the reason shown) when one is refused.
    bool readFields(remote::RemoteOptions& options);
    void showState(const QString& status);
    // After a change through the API (UI thread): the controls show the settings in force.
    void showChangedSettings();

    CCorvaneDlg& m_main;
    std::unique_ptr<remote::RemoteService> m_service;
    QLineEdit* m_metrics = nullptr;    // "[ADDR:]PORT" or empty
    QLineEdit* m_control = nullptr;    // "[ADDR:]PORT" or empty
    QLineEdit* m_tokenFile = nullptr;  // required off loopback
    QPushButton* m_start = nullptr;    // "Start" / "Stop"
    QLabel* m_status = nullptr;
};

}  // namespace corvane::ui
