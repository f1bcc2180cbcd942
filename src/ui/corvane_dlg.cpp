#include "ui/corvane_dlg.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include "platform/vexo.h"
#include "ui/app_icon.h"
#include "ui/console_layout.h"
#include "ui/control_table.h"
#include "ui/protocol_dlg.h"
#include "ui/record_saving.h"
#include "ui/tool_windows.h"

using namespace corvane;

CCorvaneDlg::CCorvaneDlg(QWidget* parent)
    : QDialog(parent), m_station(m_core.station()), m_units(ui::dialogFont()) {
    // The station is built first; the window attaches itself once it exists. The window's thread
    // never waits for a connect: the attempt runs on its own, and the link check finishes it.
    m_core.setWindow(this);
    m_core.control().connectInBackground(true);
    setFont(ui::dialogFont());
    setWindowTitle(QStringLiteral("Automation"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint |
                   Qt::WindowCloseButtonHint);
    m_prompt = [this](const QString& text) {
        QMessageBox box(QMessageBox::Warning, QStringLiteral("Corvane"), text, QMessageBox::Ok,
                        this);
        box.exec();
    };
    m_quitQuestion = [this](const ui::RunInProgress& run) { return ui::askToQuit(run, this); };
    m_recordSaving = std::make_shared<ui::RecordSaving>(m_station.sharedRecords());

    m_timer = new QTimer(this);
    m_timer->setInterval(1000);
    m_paintTimer = new QTimer(this);
    m_paintTimer->setSingleShot(true);
    m_sinceLastPaint.start();

    buildControls();
    connectHandlers();
    setMinimumSize(m_layout->minimumSize());
    resize(m_layout->defaultSize());
}

CCorvaneDlg::~CCorvaneDlg() {
    // Workers may still be running and calling into this window: detach it, then stop the link
    // and join every thread while the controls still exist.
    m_core.setWindow(nullptr);
    m_core.control().shutdownLink();
    // After the link: the worker may publish into the service's event feed until it has ended.
    // The service's threads read the station, which outlives them.
    ui::closeRemoteControl(*this);
}

std::optional<QString> CCorvaneDlg::runProtocolDialog() {
    CProtocolDlg dialog;
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    return dialog.selectedProtocol();
}

bool CCorvaneDlg::initialise(const ProtocolChooser& chooseProtocol) {
    const std::optional<QString> protocol = chooseProtocol();
    if (!protocol) {
        return false;
    }
    loadTransfer();
    fixRadioTabStops();
    m_station.m_protocol = protocolNamed(protocol->toLatin1().toStdString());
    setWindowTitle(*protocol);

    // The About entry: Linux window managers give a program no system menu of its own, so it
    // lives in the window's context menu and on F1.
    m_aboutAction = new QAction(QStringLiteral("&About Corvane..."), this);
    m_aboutAction->setShortcut(QKeySequence::HelpContents);
    m_aboutAction->setShortcutContext(Qt::WindowShortcut);
    QObject::connect(m_aboutAction, &QAction::triggered, this, &CCorvaneDlg::openAbout);
    addAction(m_aboutAction);

    setWindowIcon(ui::appIcon());
    m_timer->start();
    setUpForProtocol();
    Vexo_InitEx();
    relayout();
    return true;
}

void CCorvaneDlg::setPrompt(Prompt prompt) {
    m_prompt = std::move(prompt);
}

void CCorvaneDlg::setTimerPeriod(int milliseconds) {
    m_timer->setInterval(milliseconds);
}

void CCorvaneDlg::setQuitQuestion(QuitQuestion question) {
    m_quitQuestion = std::move(question);
}

ui::RunInProgress CCorvaneDlg::runInProgress() const {
    // The link is up from the moment it listens or is connected until it is stopped.
    const LinkState state = m_linkState.load();
    return {state == LinkState::Listening || state == LinkState::Connected,
            m_recordSaving->unsaved()};
}

void CCorvaneDlg::closeEvent(QCloseEvent* event) {
    // The close box, the window manager or the desktop session: a run in progress is not ended
    // without asking. (SIGTERM and SIGINT end the process at once, as they always did.)
    const ui::RunInProgress run = runInProgress();
    if (run.any()) {
        const ui::QuitAnswer answer = m_quitQuestion(run);
        const bool quit = answer == ui::QuitAnswer::QuitWithoutSaving ||
                          (answer == ui::QuitAnswer::Save && m_recordSaving->saveAsked(this));
        if (!quit) {
            event->ignore();
            return;
        }
    }
    QDialog::closeEvent(event);
}

QSize CCorvaneDlg::defaultSize() const {
    return m_layout->defaultSize();
}

void CCorvaneDlg::fitInto(const QRect& available) {
    resize(
        defaultSize().boundedTo(available.size() - ui::kFrameAllowance).expandedTo(minimumSize()));
}

void CCorvaneDlg::relayout() {
    setMinimumSize(m_layout->minimumSize());
    m_layout->apply(size());
}

void CCorvaneDlg::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    m_layout->apply(size());
}

bool CCorvaneDlg::event(QEvent* event) {
    // A control's caption or contents changed what it needs (controls without a Qt layout ask
    // their parent this way).
    if (event->type() == QEvent::LayoutRequest) {
        relayout();
    }
    return QDialog::event(event);
}

void CCorvaneDlg::fixRadioTabStops() {
    const bool noneChecked = m_station.m_responseMode.load() == ResponseMode::None;
    for (QRadioButton* radio : m_responseRadios) {
        radio->setFocusPolicy(noneChecked || radio->isChecked() ? Qt::StrongFocus : Qt::ClickFocus);
    }
}

QWidget* CCorvaneDlg::control(int id) const {
    const auto found = m_controls.find(id);
    return found == m_controls.end() ? nullptr : found->second;
}

QPushButton* CCorvaneDlg::toolButton(const QString& caption) const {
    for (std::size_t i = 0; i < m_toolButtons.size(); ++i) {
        if (QString::fromLatin1(ui::toolWindows()[i].caption) == caption) {
            return m_toolButtons[i];
        }
    }
    return nullptr;
}
