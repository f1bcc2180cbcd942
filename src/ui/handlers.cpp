// The main window's own handlers: response policy, Show Log, receiver type, mode, the set-up for
// the chosen protocol, Enter and Escape, and the About entry.
#include <QAction>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QPushButton>

#include "ui/about_dlg.h"
#include "ui/corvane_dlg.h"
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
    if (m_station.m_mode == LinkMode::Server) {
        enableControl(kReceiverIpEdit, false);
        setControlText(kConnectButton, "Start");
    } else {
        setControlText(kConnectButton, "Connect");
        enableControl(kReceiverIpEdit, true);
    }
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
    }
}

void CCorvaneDlg::accept() {
    if (saveTransfer()) {
        QDialog::accept();
    }
}

void CCorvaneDlg::keyPressEvent(QKeyEvent* event) {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    const bool plain = event->modifiers() == Qt::NoModifier ||
                       (event->modifiers() == Qt::KeypadModifier && event->key() == Qt::Key_Enter);
    if (enter && plain) {
        // Enter on a push button presses it; anywhere else it is the window's OK command. (The
        // log box takes Enter itself as a new line and never passes it on.)
        if (auto* button = qobject_cast<QPushButton*>(focusWidget())) {
            button->click();
        } else {
            accept();
        }
        return;
    }
    QDialog::keyPressEvent(event);  // Escape: close without a transfer
}

void CCorvaneDlg::contextMenuEvent(QContextMenuEvent* event) {
    if (m_aboutAction == nullptr) {
        QDialog::contextMenuEvent(event);
        return;
    }
    QMenu menu(this);
    menu.addAction(m_aboutAction);
    menu.addSeparator();
    for (const ui::ToolWindowEntry& entry : ui::toolWindows()) {
        menu.addAction(QString::fromLatin1(entry.caption), this,
                       [this, &entry] { entry.open(*this); });
    }
    menu.exec(event->globalPos());
}

void CCorvaneDlg::openAbout() {
    CAboutDlg about(this);
    about.exec();
}
