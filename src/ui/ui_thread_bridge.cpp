// What the core reports to the window, from any thread, turned into captions, status texts and
// boxes.
//
// Only the UI thread touches widgets. A worker thread queues its control update and posts one
// wake-up; it never waits for the UI thread, which may at that moment be joining it. On the UI
// thread, updates still queued are applied first, so every control ends up with the latest
// request, whichever thread made it.
#include <QCheckBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTextCursor>
#include <QThread>
#include <QTimer>
#include <utility>

#include "ui/corvane_dlg.h"
#include "ui/log_box_text.h"
#include "ui/mnemonics.h"

using namespace corvane;

namespace {

constexpr int kMinPaintIntervalMs = 40;  // at most about 25 log box paints a second

QString latin1(const std::string& text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

void CCorvaneDlg::linkChanged(const LinkReport& report) {
    m_linkWatch.linkChanged(report);
    m_linkState = report.state;
    const bool client = report.mode == LinkMode::Client;
    switch (report.state) {
        case LinkState::Idle:
            break;
        case LinkState::Starting:
            enableControl(kModeCombo, false);
            break;
        case LinkState::Connected:
            if (client) {
                setControlText(kConnectButton, "Disconnect");
            }
            setControlText(kLinkStatusEdit, "TCP Client Connected");
            break;
        case LinkState::Listening:
            if (report.receiverLeft) {
                setControlText(kLinkStatusEdit, "TCP Client DisConnected");
            } else {
                setControlText(kConnectButton, "Close");
                setControlText(kLinkStatusEdit, "TCP Server Start");
            }
            break;
        case LinkState::Stopped:
            setControlText(kConnectButton, client ? "Connect" : "Start");
            setControlText(kLinkStatusEdit,
                           client ? "TCP Client Disconnected" : "TCP Server Close");
            // With SIA-DCS the mode stays Server.
            if (m_station.m_protocol == Protocol::SurGard) {
                enableControl(kModeCombo, true);
            }
            break;
    }
}

void CCorvaneDlg::showCounts(const Counts& counts) {
    setControlText(kCidCountEdit, std::to_string(counts.cid));
    setControlText(kSiaCountEdit, std::to_string(counts.sia));
    setControlText(kSgHeartbeatCountEdit, std::to_string(counts.sgHeartbeat));
    setControlText(kSgPrivateCountEdit, std::to_string(counts.sgPrivate));
    setControlText(kDeviceHeartCountEdit, std::to_string(counts.deviceHeart));
}

void CCorvaneDlg::startFailed(LinkMode mode, const Failure& why) {
    drainUpdates();
    const char* text = mode == LinkMode::Client
                           ? "Connect failed, please check the parameters!"
                           : "startServer failed, please check the parameters!";
    // The reason on a second line: "Address already in use (0.0.0.0:1025)".
    m_prompt(QString::fromLatin1(text) + "\n" + latin1(why.why) + " (" + latin1(why.where) + ")");
}

void CCorvaneDlg::connecting(bool underWay) {
    // The attempt runs on a thread of its own and the window goes on; a second start cannot
    // begin meanwhile, and the mode stays.
    auto* status = qobject_cast<QLineEdit*>(control(kLinkStatusEdit));
    if (underWay) {
        m_statusBeforeConnect = status->text();
        setControlText(kLinkStatusEdit, "TCP Client Connecting...");
    } else {
        status->setText(m_statusBeforeConnect);
        status->setCursorPosition(0);
    }
    enableControl(kConnectButton, !underWay);
    enableControl(kModeCombo, !underWay && m_station.m_protocol == Protocol::SurGard);
}

bool CCorvaneDlg::onUiThread() const {
    return QThread::currentThread() == thread();
}

void CCorvaneDlg::setControlText(int controlId, const std::string& text) {
    ControlUpdate update{controlId, true, text, true};
    if (!onUiThread()) {
        postUpdate(std::move(update));
        return;
    }
    drainUpdates();
    applyUpdate(update);
}

void CCorvaneDlg::enableControl(int controlId, bool enabled) {
    ControlUpdate update{controlId, false, {}, enabled};
    if (!onUiThread()) {
        postUpdate(std::move(update));
        return;
    }
    drainUpdates();
    applyUpdate(update);
}

void CCorvaneDlg::postUpdate(ControlUpdate update) {
    bool wake = false;
    {
        std::lock_guard lock(m_updatesMutex);
        m_pendingUpdates.push_back(std::move(update));
        wake = !m_drainPosted;
        m_drainPosted = true;
    }
    if (wake) {
        QMetaObject::invokeMethod(
            this, [this] { drainUpdates(); }, Qt::QueuedConnection);
    }
}

void CCorvaneDlg::drainUpdates() {
    std::vector<ControlUpdate> updates;
    {
        std::lock_guard lock(m_updatesMutex);
        updates.swap(m_pendingUpdates);
        m_drainPosted = false;
    }
    for (const ControlUpdate& update : updates) {
        applyUpdate(update);
    }
}

void CCorvaneDlg::applyUpdate(const ControlUpdate& update) {
    QWidget* widget = control(update.controlId);
    if (widget == nullptr) {
        return;
    }
    if (!update.isText) {
        widget->setEnabled(update.enabled);
        return;
    }
    const QString text = latin1(update.text);
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        edit->setText(text);
        edit->setCursorPosition(0);  // a status text wider than its field shows its beginning
    } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        button->setText(ui::withMnemonic(text));
    } else if (auto* box = qobject_cast<QPlainTextEdit*>(widget)) {
        box->setPlainText(text);
    }
}

void CCorvaneDlg::refreshLogView() {
    if (onUiThread()) {
        drainUpdates();
        paintLogView();
        return;
    }
    // One wake-up for any number of refreshes: the paint shows the latest view.
    if (!m_paintPending.exchange(true)) {
        QMetaObject::invokeMethod(
            this, [this] { paintLogViewSoon(); }, Qt::QueuedConnection);
    }
}

void CCorvaneDlg::paintLogViewSoon() {
    if (!m_paintPending.load() || m_paintTimer->isActive()) {
        return;
    }
    const qint64 sinceLast = m_sinceLastPaint.elapsed();
    if (sinceLast >= kMinPaintIntervalMs) {
        paintLogView();
    } else {
        m_paintTimer->start(static_cast<int>(kMinPaintIntervalMs - sinceLast));
    }
}

void CCorvaneDlg::paintLogView() {
    // Cleared before the view is read: a refresh that comes later asks for its own paint.
    m_paintPending = false;
    m_paintTimer->stop();
    std::string view = m_core.log().logViewText();

    m_paintingBox = true;
    const bool grows = !m_boxEdited && !m_shownView.empty() && view.size() > m_shownView.size() &&
                       m_shownView.back() != '\r' &&  // a CR LF split at the seam
                       view.compare(0, m_shownView.size(), m_shownView) == 0;
    if (grows) {
        // Lines are only appended between paints: add the new ones instead of redrawing all.
        QTextCursor cursor(m_logBox->document());
        cursor.movePosition(QTextCursor::End);
        cursor.insertText(ui::logBytesToBoxText(std::string_view(view).substr(m_shownView.size())));
    } else if (view != m_shownView || m_boxEdited) {
        m_logBox->setPlainText(ui::logBytesToBoxText(view));
    }
    m_paintingBox = false;
    m_boxEdited = false;
    m_shownView = std::move(view);

    // Bring the end of the log into view; the horizontal position stays.
    QScrollBar* bar = m_logBox->verticalScrollBar();
    bar->setValue(bar->maximum());
    m_sinceLastPaint.restart();
}

void CCorvaneDlg::flushPending() {
    drainUpdates();
    if (m_paintPending.load()) {
        paintLogView();
    }
}

void CCorvaneDlg::requestLinkCheck() {
    // Queued even on the UI thread: the check may stop the link, which must not happen inside
    // whatever called us.
    QMetaObject::invokeMethod(
        this, [this] { m_core.control().checkClientLink(); }, Qt::QueuedConnection);
}
