#include "ui/answer_script_window.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>
#include <array>

#include "answer/answer_scripts.h"
#include "pipeline/script_switch.h"
#include "ui/corvane_dlg.h"
#include "ui/tool_windows.h"

namespace corvane::ui {

namespace {

constexpr int kRefreshMs = 500;
constexpr int kMaxReconnectSeconds = 3600;

struct Example {
    const char* caption;
    const char* script;
};

constexpr std::array kExamples = {
    Example{"NACK 3 times, then ACK", "NACK*3, ACK"},
    Example{"no answer for 60 s", "DELAY 60000 NONE, ACK"},
    Example{"slow ACK (4.5 s)", "DELAY 4500 ACK"},
    Example{"close after each ACK", "ACK CLOSE"},
};

QString latin1(const std::string& text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

AnswerScriptWindow::AnswerScriptWindow(CCorvaneDlg& main) : QDialog(&main), m_main(main) {
    setObjectName(QStringLiteral("answerScriptWindow"));
    setWindowTitle(QStringLiteral("Answer Script"));
    setModal(false);

    m_mainEdit = new QLineEdit(this);
    m_mainEdit->setPlaceholderText(QStringLiteral("NACK*2, DELAY 4500 ACK, NONE, ACK CLOSE 200"));
    m_mainEdit->setToolTip(
        QStringLiteral("Steps separated by commas, started again after the last: ACK, NACK, NONE, "
                       "DELAY ms, CLOSE, a repeat count such as NACK*3"));
    m_heartbeatEdit = new QLineEdit(this);
    m_heartbeatEdit->setPlaceholderText(QStringLiteral("empty: as the main script"));
    m_heartbeatEdit->setToolTip(
        QStringLiteral("How heartbeats and link tests are answered; empty: as the main script"));
    // Wide enough for the example in the field, at any font and scale.
    const int scriptWidth =
        m_mainEdit->fontMetrics().horizontalAdvance(m_mainEdit->placeholderText() + "MMMM");
    for (QLineEdit* edit : {m_mainEdit, m_heartbeatEdit}) {
        edit->setMinimumWidth(scriptWidth);
    }
    m_examples = new QComboBox(this);
    m_examples->addItem(QStringLiteral("Examples..."));
    for (const Example& example : kExamples) {
        m_examples->addItem(QString::fromLatin1(example.caption));
    }
    m_examples->setToolTip(QStringLiteral("Puts a ready script into the main script field"));
    auto* apply = new QPushButton(QStringLiteral("&Apply"), this);
    apply->setToolTip(
        QStringLiteral("Puts the scripts in the fields in force (a running script "
                       "starts again from its first step)"));
    m_switch = new QCheckBox(QStringLiteral("Answer by &script"), this);
    m_switch->setToolTip(
        QStringLiteral("On: the script answers instead of the radio buttons; off: they answer "
                       "again"));
    m_error = new QLabel(this);
    m_error->setWordWrap(true);
    m_steps = new QListWidget(this);
    m_steps->setToolTip(QStringLiteral("The step each receiver connection is at"));
    m_steps->setMinimumWidth(m_steps->fontMetrics().horizontalAdvance(
        QStringLiteral("#999 255.255.255.255:65535  step 10 of 10: DELAY 60000 NONE")));
    m_reconnect = new QSpinBox(this);
    m_reconnect->setRange(0, kMaxReconnectSeconds);
    m_reconnect->setSpecialValueText(QStringLiteral("off"));
    m_reconnect->setSuffix(QStringLiteral(" s"));
    m_reconnect->setValue(m_main.station().m_reconnectSeconds.load());
    m_reconnect->setToolTip(
        QStringLiteral("Client mode: after the receiver closed the link, "
                       "connect again every so many seconds; 0 is off"));

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("&Main script:"), m_mainEdit);
    form->addRow(QStringLiteral("&Heartbeat script:"), m_heartbeatEdit);
    form->addRow(QStringLiteral("Ready e&xamples:"), m_examples);
    form->addRow(m_switch, apply);
    form->addRow(m_error);
    form->addRow(new QLabel(QStringLiteral("Step of each receiver:"), this));
    form->addRow(m_steps);
    form->addRow(QStringLiteral("Client mode, &reconnect every:"), m_reconnect);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);

    // Fields show what is in force when the window opens again.
    showScriptsInForce();

    connect(apply, &QPushButton::clicked, this, [this] { applyScripts(); });
    connect(m_switch, &QCheckBox::toggled, this, &AnswerScriptWindow::onSwitchToggled);
    connect(m_examples, &QComboBox::activated, this, &AnswerScriptWindow::onExampleChosen);
    connect(m_reconnect, &QSpinBox::valueChanged, this,
            [this](int seconds) { m_main.station().m_reconnectSeconds = seconds; });
    // The UI thread reads a snapshot: the receiving threads never wait for the window.
    m_refresh = new QTimer(this);
    connect(m_refresh, &QTimer::timeout, this, &AnswerScriptWindow::refreshSteps);
    m_refresh->start(kRefreshMs);
    refreshSteps();
}

void AnswerScriptWindow::showScriptsInForce() {
    const answer::AnswerScripts& inForce = m_main.station().answerScripts();
    if (const auto set = inForce.current()) {
        m_mainEdit->setText(latin1(set->mainText));
        m_heartbeatEdit->setText(latin1(set->heartbeatText));
    }
    // The switch shows what is in force; its own handler would start or stop it again.
    const QSignalBlocker block(m_switch);
    m_switch->setChecked(inForce.enabled());
}

bool AnswerScriptWindow::putFieldsInForce(bool start) {
    Station& station = m_main.station();
    const std::string main = m_mainEdit->text().toLatin1().toStdString();
    const std::string heartbeat = m_heartbeatEdit->text().toLatin1().toStdString();
    const Result<void> applied = start
                                     ? startAnswerScripts(station, main, heartbeat)
                                     : station.answerScripts().apply(
                                           main, heartbeat, station.m_protocol == Protocol::SiaDcs);
    if (!applied) {
        m_error->setText(latin1(applied.error().why) +
                         QStringLiteral(" (the answers in force are unchanged)"));
        return false;
    }
    m_error->clear();
    return true;
}

bool AnswerScriptWindow::applyScripts() {
    // A running script starts again from the fields, with its log line.
    return putFieldsInForce(m_main.station().answerScripts().enabled());
}

void AnswerScriptWindow::onSwitchToggled(bool on) {
    if (on == m_main.station().answerScripts().enabled()) {
        return;
    }
    if (!on) {
        stopAnswerScripts(m_main.station());
        return;
    }
    // The script in the fields is what starts; a refused one leaves the radio buttons on.
    if (!putFieldsInForce(true)) {
        const QSignalBlocker block(m_switch);
        m_switch->setChecked(false);
    }
}

void AnswerScriptWindow::onExampleChosen(int index) {
    if (index <= 0 || index > static_cast<int>(kExamples.size())) {
        return;
    }
    m_mainEdit->setText(QString::fromLatin1(kExamples[static_cast<std::size_t>(index - 1)].script));
    m_examples->setCurrentIndex(0);
}

void AnswerScriptWindow::refreshSteps() {
    const auto steps = m_main.station().answerScripts().snapshot();
    QStringList rows;
    for (const auto& step : steps) {
        rows << QStringLiteral("#%1 %2  %3")
                    .arg(step.connection)
                    .arg(latin1(step.peer), latin1(step.step));
    }
    // Rewritten only when something changed: the operator's selection and scroll stay.
    QStringList shown;
    for (int i = 0; i < m_steps->count(); ++i) {
        shown << m_steps->item(i)->text();
    }
    if (shown != rows) {
        m_steps->clear();
        m_steps->addItems(rows);
    }
}

void openAnswerScriptWindow(CCorvaneDlg& window) {
    auto* existing = window.findChild<AnswerScriptWindow*>(QStringLiteral("answerScriptWindow"));
    if (existing == nullptr) {
        existing = new AnswerScriptWindow(window);
    }
    showToolWindow(*existing);
}

}  // namespace corvane::ui
