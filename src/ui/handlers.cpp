// The main window's own handlers: response policy, Show Log, receiver type, mode, the set-up for
// the chosen protocol, Enter and Escape, and the About entry.
#include <QAction>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPushButton>

#include "ui/about_dlg.h"
#include "ui/corvane_dlg.h"
#include "ui/mnemonics.h"
#include "ui/tool_windows.h"

using namespace corvane;

void CCorvaneDlg::onResponseModeClicked(int place) {
    // Only the policy changes: no transfer, no other member, no control.
    m_station.m_responseMode = responseModeAt(place);
}

void CCorvaneDlg::onShowLogClicked() {
    // The box has toggled itself; the transfer stores its state with every other setting. A
    // refused field is reported and leaves m_showLog as it was.
    (void)saveTransfer();
}

void CCorvaneDlg::onReceiverTypeActivated(int index) {
    m_station.m_receiverType =
        receiverTypeNamed(m_receiverTypeCombo->itemText(index).toLatin1().toStdString());
}

void CCorvaneDlg::onModeActivated(int /*index*/) {
    applyModeSelection();
}

void CCorvaneDlg::applyModeSelection() {
    m_station.m_mode = linkModeNamed(m_modeCombo->currentText().toLatin1().toStdString());
    const bool server = m_station.m_mode == LinkMode::Server;
    if (server) {
        enableControl(kReceiverIpEdit, false);
        setControlText(kConnectButton, "Start");
    } else {
        setControlText(kConnectButton, "Connect");
        enableControl(kReceiverIpEdit, true);
    }
    enableControl(kBindAddressEdit, server);
}

void CCorvaneDlg::setUpForProtocol() {
    if (m_station.m_protocol == Protocol::SurGard) {
        m_modeCombo->clear();
        m_modeCombo->insertItem(0, QStringLiteral("Client"));
        m_modeCombo->insertItem(1, QStringLiteral("Server"));
        m_modeCombo->setCurrentIndex(0);
        m_receiverTypeCombo->clear();
        m_receiverTypeCombo->insertItem(0, QStringLiteral("MLR2000"));
        m_receiverTypeCombo->insertItem(1, QStringLiteral("MLR2"));
        m_receiverTypeCombo->setCurrentIndex(0);
    } else if (m_station.m_protocol == Protocol::SiaDcs) {
        // DC-09 receivers connect to us: Server mode only, and no receiver type to choose.
        m_modeCombo->clear();
        m_modeCombo->insertItem(0, QStringLiteral("Client"));
        m_modeCombo->insertItem(1, QStringLiteral("Server"));
        m_modeCombo->setCurrentIndex(1);
        applyModeSelection();
        enableControl(kModeCombo, false);
        enableControl(kReceiverTypeCombo, false);
        // Under SIA-DCS the custom response is the answer text itself.
        m_customResponseLabel->setText(ui::withMnemonic(QStringLiteral("Custom Response (text)")));
    }
    enableToolWindows();
}

void CCorvaneDlg::enableToolWindows() {
    for (std::size_t i = 0; i < m_toolButtons.size(); ++i) {
        const ui::ToolWindowEntry& entry = ui::toolWindows()[i];
        m_toolButtons[i]->setEnabled(entry.servesProtocol(m_station.m_protocol));
        m_toolButtons[i]->setToolTip(entry.toolTipFor(m_station.m_protocol));
    }
}

void CCorvaneDlg::keyPressEvent(QKeyEvent* event) {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    const bool plain = event->modifiers() == Qt::NoModifier ||
                       (event->modifiers() == Qt::KeypadModifier && event->key() == Qt::Key_Enter);
    if (enter && plain) {
        // Enter never closes the window. On a push button it presses it. (A one-line field has
        // already read the settings back; the log box takes Enter as a new line.)
        if (auto* button = qobject_cast<QPushButton*>(focusWidget())) {
            button->click();
        }
        return;
    }
    if (event->key() == Qt::Key_Escape) {
        return;  // never closes the window: closing asks first when a run is in progress
    }
    QDialog::keyPressEvent(event);
}

void CCorvaneDlg::contextMenuEvent(QContextMenuEvent* event) {
    if (m_aboutAction == nullptr) {
        QDialog::contextMenuEvent(event);
        return;
    }
    QMenu menu(this);
    menu.setToolTipsVisible(true);
    menu.addAction(m_aboutAction);
    menu.addSeparator();
    for (const ui::ToolWindowEntry& entry : ui::toolWindows()) {
        QAction* action = menu.addAction(ui::withMnemonic(QString::fromLatin1(entry.caption)), this,
                                         [this, &entry] { entry.open(*this); });
        action->setEnabled(entry.servesProtocol(m_station.m_protocol));
        action->setToolTip(entry.toolTipFor(m_station.m_protocol));
    }
    menu.exec(event->globalPos());
}

void CCorvaneDlg::openAbout() {
    CAboutDlg about(this);
    about.exec();
}
