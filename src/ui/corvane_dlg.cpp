#include "ui/corvane_dlg.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include "platform/vexo.h"
#include "ui/app_icon.h"
#include "ui/control_table.h"
#include "ui/protocol_dlg.h"
#include "ui/tool_windows.h"

using namespace corvane;

CCorvaneDlg::CCorvaneDlg(QWidget* parent)
    : QDialog(parent), m_station(m_core.station()), m_units(ui::dialogFont()) {
    // The station is built first; the window attaches itself once it exists.
    m_core.setWindow(this);
    setFont(ui::dialogFont());
    setWindowTitle(QStringLiteral("Automation"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    m_prompt = [this](const QString& text) {
        QMessageBox box(QMessageBox::Warning, QStringLiteral("Corvane"), text, QMessageBox::Ok,
                        this);
        box.exec();
    };

    m_timer = new QTimer(this);
    m_timer->setInterval(1000);
    m_paintTimer = new QTimer(this);
    m_paintTimer->setSingleShot(true);
    m_sinceLastPaint.start();

    buildControls();
    connectHandlers();
    const QSize client =
        m_units.toPixels(QSize(ui::kMainWidthDlu, ui::kMainHeightDlu + ui::kToolRowHeightDlu));
    setMinimumSize(client);
    resize(client);
}

CCorvaneDlg::~CCorvaneDlg() {
    // Workers may still be running and calling into this window: detach it, then stop the link
    // and join every thread while the controls still exist.
    m_core.setWindow(nullptr);
    m_core.control().shutdownLink();
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
    return true;
}

void CCorvaneDlg::setPrompt(Prompt prompt) {
    m_prompt = std::move(prompt);
}

void CCorvaneDlg::setTimerPeriod(int milliseconds) {
    m_timer->setInterval(milliseconds);
}

QWidget* CCorvaneDlg::control(int id) const {
    const auto found = m_controls.find(id);
    return found == m_controls.end() ? nullptr : found->second;
}

QPushButton* CCorvaneDlg::toolButton(const QString& caption) const {
    for (QPushButton* button : m_toolButtons) {
        if (button->text() == caption) {
            return button;
        }
    }
    return nullptr;
}
