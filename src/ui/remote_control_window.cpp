#include "ui/remote_control_window.h"

#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMetaObject>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/answer_script_window.h"
#include "ui/corvane_dlg.h"
#include "ui/dc09_keys_window.h"
#include "ui/tool_windows.h"

namespace corvane::ui {

namespace {

QString latin1(const std::string& text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

RemoteControlWindow::RemoteControlWindow(CCorvaneDlg& main) : QDialog(&main), m_main(main) {
    setObjectName(QStringLiteral("remoteControlWindow"));
    setWindowTitle(QStringLiteral("Remote Control"));
    setModal(false);

    // Hooks run on the service's threads: they only post to the UI thread, through a guard that
    // drops the call once this window is gone.
    const QPointer<RemoteControlWindow> self(this);
    remote::ControlHooks hooks;
    hooks.stop = [self] {
        QMetaObject::invokeMethod(
            self,
            [self] {
                if (self && self->m_main.station().m_running) {
                    self->m_main.core().control().doDisconnect();
                }
            },
            Qt::QueuedConnection);
    };
    hooks.changed = [self] {
        QMetaObject::invokeMethod(
            self,
            [self] {
                if (self) {
                    self->showChangedSettings();
                }
            },
            Qt::QueuedConnection);
    };
    m_service =
        std::make_unique<remote::RemoteService>(main.station(), main.linkWatch(), std::move(hooks));

    m_metrics = new QLineEdit(this);
    m_metrics->setPlaceholderText(QStringLiteral("9100 or 0.0.0.0:9100; empty: no metrics"));
    m_metrics->setToolTip(QStringLiteral(
        "Prometheus metrics at /metrics on [ADDR:]PORT; without ADDR only this machine can "
        "reach them (127.0.0.1)"));
    m_control = new QLineEdit(this);
    m_control->setPlaceholderText(QStringLiteral("9101; empty: no control API"));
    m_control->setToolTip(QStringLiteral(
        "The control API under /v1 on [ADDR:]PORT (may be the metrics port); an address other "
        "than 127.0.0.1 needs a token file"));
    m_tokenFile = new QLineEdit(this);
    m_tokenFile->setPlaceholderText(QStringLiteral("empty on 127.0.0.1"));
    m_tokenFile->setToolTip(QStringLiteral(
        "A file holding the token every request must carry as \"Authorization: Bearer TOKEN\""));
    const int fieldWidth =
        m_metrics->fontMetrics().horizontalAdvance(m_metrics->placeholderText() + "MMMM");
    for (QLineEdit* edit : {m_metrics, m_control, m_tokenFile}) {
        edit->setMinimumWidth(fieldWidth);
    }
    m_start = new QPushButton(QStringLiteral("&Start"), this);
    m_start->setAutoDefault(false);
    m_status = new QLabel(QStringLiteral("Off"), this);
    m_status->setWordWrap(true);
    m_status->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("&Metrics port:"), m_metrics);
    form->addRow(QStringLiteral("&Control port:"), m_control);
    form->addRow(QStringLiteral("&Token file:"), m_tokenFile);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_start, 0, Qt::AlignRight);
    layout->addWidget(m_status);
    connect(m_start, &QPushButton::clicked, this, [this] { onStartClicked(); });
}

RemoteControlWindow::~RemoteControlWindow() {
    // The main window ends its link (and the worker publishing into the feed) before this.
    m_main.core().worker().setEventSink(nullptr);
    m_service->stop();
}

bool RemoteControlWindow::readFields(remote::RemoteOptions& options) {
    const auto endpoint = [this](QLineEdit* edit, const char* name,
                                 std::optional<remote::Endpoint>& out) {
        const std::string text = edit->text().trimmed().toLatin1().toStdString();
        if (text.empty()) {
            return true;
        }
        const auto parsed = remote::parseEndpoint(text);
        if (!parsed) {
            showState(QStringLiteral("%1 port: %2").arg(name, latin1(parsed.error().why)));
            edit->setFocus();
            return false;
        }
        out = *parsed;
        return true;
    };
    if (!endpoint(m_metrics, "Metrics", options.metrics) ||
        !endpoint(m_control, "Control", options.control)) {
        return false;
    }
    options.tokenFile = m_tokenFile->text().trimmed().toStdString();
    if (!options.any()) {
        showState(QStringLiteral("Type a metrics port, a control port, or both."));
        return false;
    }
    return true;
}

void RemoteControlWindow::onStartClicked() {
    if (m_service->running()) {
        // The feed stays with the service object: a batch the worker has begun may still
        // publish into it, to no subscriber.
        m_main.core().worker().setEventSink(nullptr);
        m_service->stop();
        showState(QStringLiteral("Off"));
        return;
    }
    remote::RemoteOptions options;
    if (!readFields(options)) {
        return;
    }
    if (const Result<void> started = m_service->start(options); !started) {
        showState(QStringLiteral("Cannot start: %1").arg(latin1(started.error().text())));
        return;
    }
    QStringList serving;
    if (options.metrics) {
        serving << QStringLiteral("metrics at http://%1:%2/metrics")
                       .arg(latin1(options.metrics->host))
                       .arg(m_service->metricsPort());
    }
    if (options.control) {
        // Events are built only while a stream can be asked for.
        m_main.core().worker().setEventSink(&m_service->events());
        serving << QStringLiteral("control API at http://%1:%2/v1/")
                       .arg(latin1(options.control->host))
                       .arg(m_service->controlPort());
    }
    showState(QStringLiteral("Serving ") + serving.join(QStringLiteral(", ")));
}

void RemoteControlWindow::showState(const QString& status) {
    const bool on = m_service->running();
    m_start->setText(on ? QStringLiteral("&Stop") : QStringLiteral("&Start"));
    for (QLineEdit* edit : {m_metrics, m_control, m_tokenFile}) {
        edit->setEnabled(!on);
    }
    m_status->setText(status);
}

void RemoteControlWindow::showChangedSettings() {
    m_main.showAnswerSettings();
    if (auto* keys = m_main.findChild<Dc09KeysWindow*>()) {
        keys->showSettingsInForce();
    }
    if (auto* scripts =
            m_main.findChild<AnswerScriptWindow*>(QStringLiteral("answerScriptWindow"))) {
        scripts->showScriptsInForce();
    }
}

void openRemoteControlWindow(CCorvaneDlg& window) {
    auto* existing = window.findChild<RemoteControlWindow*>(QStringLiteral("remoteControlWindow"));
    if (existing == nullptr) {
        existing = new RemoteControlWindow(window);
    }
    showToolWindow(*existing);
}

void closeRemoteControl(CCorvaneDlg& window) {
    delete window.findChild<RemoteControlWindow*>(QStringLiteral("remoteControlWindow"));
}

}  // namespace corvane::ui
