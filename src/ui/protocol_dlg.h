// The protocol question asked once at start-up: "Sur-Gard" or "SIA-DCS".
#pragma once

#include <QDialog>
#include <QString>

class QComboBox;
class QPushButton;

class CProtocolDlg : public QDialog {
    Q_OBJECT

  public:
    static constexpr int kProtocolComboId = 1029;

    explicit CProtocolDlg(QWidget* parent = nullptr);

    // The chosen protocol after OK; empty otherwise.
    QString selectedProtocol() const { return m_selectedProtocol; }
    QComboBox* protocolCombo() const { return m_protocolCombo; }
    QPushButton* okButton() const { return m_okButton; }
    QPushButton* cancelButton() const { return m_cancelButton; }

    void accept() override;

  private:
    QComboBox* m_protocolCombo = nullptr;
    QPushButton* m_okButton = nullptr;
    QPushButton* m_cancelButton = nullptr;
    QString m_selectedProtocol;
};
