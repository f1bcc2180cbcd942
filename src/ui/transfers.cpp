// The load and save transfers between the station record and the main window's controls, in the
// window's fixed binding order: 1000, 1002, 1001, 1004, 1015, the radio group, 1012, 1019, the
// counters, 1024, 1026, 1027, 1028.
#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>

#include "ui/corvane_dlg.h"
#include "ui/dialog_integer.h"
#include "ui/log_box_text.h"

using namespace corvane;

namespace {

QString latin1(const std::string& text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

void CCorvaneDlg::loadTransfer() {
    auto setEditText = [this](int id, const QString& text) {
        qobject_cast<QLineEdit*>(control(id))->setText(text);
    };
    const Station& s = m_station;
    setEditText(kReceiverIpEdit, latin1(s.m_receiverIp));
    setEditText(kBindAddressEdit, latin1(s.m_bindAddress));
    setEditText(kPortEdit, QString::number(s.m_port));
    setEditText(kLinesToSaveEdit, QString::number(s.m_linesToSave.load()));
    setEditText(kHeartbeatIntervalEdit, QString::number(s.m_heartbeatInterval));
    m_shownView = m_core.log().logText();
    m_paintingBox = true;
    m_logBox->setPlainText(ui::logBytesToBoxText(m_shownView));
    m_paintingBox = false;
    m_boxEdited = false;
    showAnswerSettings();
    setEditText(kLinkStatusEdit, latin1(s.m_linkStatus));
    setEditText(kCidCountEdit, QString::number(s.m_cidCount.load()));
    setEditText(kSiaCountEdit, QString::number(s.m_siaCount.load()));
    setEditText(kSgHeartbeatCountEdit, QString::number(s.m_sgHeartbeatCount.load()));
    setEditText(kSgPrivateCountEdit, QString::number(s.m_sgPrivateCount.load()));
    m_showLogCheck->setChecked(s.m_showLog.load() == 1);
    setEditText(kDeviceHeartCountEdit, QString::number(s.m_deviceHeartCount.load()));
}

void CCorvaneDlg::showAnswerSettings() {
    const int mode = responseModePlace(m_station.m_responseMode.load());
    for (std::size_t place = 0; place < m_responseRadios.size(); ++place) {
        // Exclusivity would keep one button checked; a mode of -1 clears them all.
        m_responseRadios[place]->setAutoExclusive(false);
        m_responseRadios[place]->setChecked(static_cast<int>(place) == mode);
        m_responseRadios[place]->setAutoExclusive(true);
    }
    m_customResponseEdit->setText(latin1(m_station.customResponse()));
}

bool CCorvaneDlg::saveTransfer() {
    // Updates and paints that workers have queued come first, so the box holds what the latest
    // refresh showed, as it would had the refresh painted at once.
    flushPending();

    auto editText = [this](int id) { return qobject_cast<QLineEdit*>(control(id))->text(); };
    Station& s = m_station;
    s.m_receiverIp = editText(kReceiverIpEdit).toLatin1().toStdString();
    s.m_bindAddress = editText(kBindAddressEdit).trimmed().toLatin1().toStdString();
    if (!transferInteger(
            kPortEdit, [&s](int v) { s.m_port = v; }, 1, 65535) ||
        !transferInteger(
            kLinesToSaveEdit, [&s](int v) { s.m_linesToSave = v; }, 50, 50000) ||
        !transferInteger(
            kHeartbeatIntervalEdit, [&s](int v) { s.m_heartbeatInterval = v; }, 1, 300)) {
        return false;
    }
    m_core.log().setLogText(ui::boxTextToLogBytes(m_logBox->document()->toRawText()));
    int checked = -1;
    for (std::size_t place = 0; place < m_responseRadios.size(); ++place) {
        if (m_responseRadios[place]->isChecked()) {
            checked = static_cast<int>(place);
            break;
        }
    }
    s.m_responseMode = responseModeAt(checked);
    s.setCustomResponse(editText(kCustomResponseEdit).toLatin1().toStdString());
    s.m_linkStatus = editText(kLinkStatusEdit).toLatin1().toStdString();
    // The counter fields only show the counters: nothing is read back from them.
    s.m_showLog = m_showLogCheck->isChecked() ? 1 : 0;
    return true;
}

bool CCorvaneDlg::transferInteger(int controlId, const std::function<void(int)>& store, int low,
                                  int high) {
    const std::optional<int> value =
        ui::parseDialogInteger(qobject_cast<QLineEdit*>(control(controlId))->text());
    if (!value) {
        refuse(controlId, QStringLiteral("Please enter an integer."));
        return false;
    }
    // The value is stored before its range is checked: a refused value stays in the member.
    store(*value);
    if (*value < low || *value > high) {
        refuse(controlId,
               QStringLiteral("Please enter an integer between %1 and %2.").arg(low).arg(high));
        return false;
    }
    return true;
}

void CCorvaneDlg::refuse(int controlId, const QString& message) {
    m_prompt(message);
    auto* edit = qobject_cast<QLineEdit*>(control(controlId));
    edit->setFocus(Qt::OtherFocusReason);
    edit->selectAll();
}
