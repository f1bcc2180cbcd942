#include "ui/protocol_dlg.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>

#include "ui/app_icon.h"
#include "ui/dialog_units.h"

CProtocolDlg::CProtocolDlg(QWidget* parent) : QDialog(parent) {
    setFont(corvane::ui::dialogFont());
    setWindowTitle(QStringLiteral("Automation"));
    setWindowIcon(corvane::ui::appIcon());
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);

    // Tab order: OK, Cancel, the list.
    corvane::ui::DialogLayout layout(font());
    m_okButton = new QPushButton(QStringLiteral("OK"), this);
    m_okButton->setDefault(true);
    layout.add(m_okButton, {26, 101, 50, 14}, true);
    m_cancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    layout.add(m_cancelButton, {89, 101, 50, 14}, true);
    auto* label = new QLabel(QStringLiteral("Protocol:"), this);
    layout.add(label, {33, 51, 30, 8}, true);
    // A plain list: one of the two entries is always selected.
    m_protocolCombo = new QComboBox(this);
    m_protocolCombo->setObjectName(QStringLiteral("1029"));
    layout.add(m_protocolCombo, {71, 49, 59, 14}, false);
    layout.apply();
    setFixedSize(layout.units().toPixels(QSize(171, 162)));

    m_protocolCombo->insertItem(0, QStringLiteral("Sur-Gard"));
    m_protocolCombo->insertItem(1, QStringLiteral("SIA-DCS"));
    m_protocolCombo->setCurrentIndex(0);

    QObject::connect(m_okButton, &QPushButton::clicked, this, &CProtocolDlg::accept);
    QObject::connect(m_cancelButton, &QPushButton::clicked, this, &CProtocolDlg::reject);
}

void CProtocolDlg::accept() {
    m_selectedProtocol = m_protocolCombo->currentText();
    QDialog::accept();
}
