// Renders the real windows to PNG files. The main window runs Sur-Gard in Client mode with Show Log
// checked, connected to a fake receiver in this process that sends a few messages of each kind;
// the Messages window shows the same run with the SIA event selected.
//
//   corvane-screenshot [options] <main.png> [<messages.png>]
//
// The options show the other windows and the conditions an operator meets: another protocol, a
// dark palette, another window size; with QT_SCALE_FACTOR=2 for a HiDPI screen. Run it on the
// offscreen platform or under Xvfb.
#include <CLI/CLI.hpp>
#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMessageBox>
#include <QPalette>
#include <QPushButton>
#include <QScreen>
#include <QStyleFactory>
#include <QTabWidget>
#include <QTableView>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <cstdio>
#include <memory>
#include <string>

#include "ui/about_dlg.h"
#include "ui/answer_script_window.h"
#include "ui/control_ids.h"
#include "ui/corvane_dlg.h"
#include "ui/dc09_keys_window.h"
#include "ui/messages_window.h"
#include "ui/mnemonics.h"
#include "ui/quit_question.h"
#include "ui/record_table_model.h"
#include "ui/remote_control_window.h"
#include "ui/tool_windows.h"

namespace {

constexpr int kTimeoutMs = 15000;
constexpr int kConnectTimeoutMs = 10000;  // the window's background connect

// One message of each kind an MLR2000 receiver sends, each ended by 0x14.
const char* const kMessages[] = {
    "1011           @    \x14",      // receiver heartbeat
    "501001 181234113001015\x14",    // Contact ID: burglary, zone 15
    "S01001 [#5678|Nri1/FA02]\x14",  // SIA: fire alarm
    "501001 181234140101003\x14",    // Contact ID: opening by user 3
    "0RECEIVER LINE 1 OK\x14",       // receiver private message
    "501001 181234160200000\x14",    // Contact ID 602: device heartbeat
    "1011           @    \x14",      // receiver heartbeat
};

struct Options {
    std::string mainPng;
    std::string messagesPng;
    std::string protocol = "Sur-Gard";
    std::string size;  // "WxH", "min", or empty for the default size
    bool dark = false;
    std::string keysPng;
    std::string scriptPng;
    std::string remotePng;
    std::string quitPng;
    std::string aboutPng;
    std::string receiversPng;
    std::string chartPng;
};

// Runs the event loop until `done` holds; false after `timeoutMs`.
template <typename Condition>
bool waitUntil(Condition done, int timeoutMs = kTimeoutMs) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeoutMs) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    return true;
}

void settle() {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 100) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
}

QString controlText(const CCorvaneDlg& dlg, int id) {
    if (auto* edit = qobject_cast<QLineEdit*>(dlg.control(id))) {
        return edit->text();
    }
    return corvane::ui::withoutMnemonic(qobject_cast<QAbstractButton*>(dlg.control(id))->text());
}

int fail(const char* what) {
    std::fprintf(stderr, "corvane-screenshot: %s\n", what);
    return 1;
}

bool save(QWidget& widget, const std::string& path) {
    settle();
    return widget.grab().save(QString::fromStdString(path));
}

void useDarkPalette() {
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QPalette dark;
    dark.setColor(QPalette::Window, QColor(45, 45, 48));
    dark.setColor(QPalette::WindowText, QColor(220, 220, 220));
    dark.setColor(QPalette::Base, QColor(30, 30, 30));
    dark.setColor(QPalette::AlternateBase, QColor(45, 45, 48));
    dark.setColor(QPalette::Text, QColor(220, 220, 220));
    dark.setColor(QPalette::Button, QColor(55, 55, 60));
    dark.setColor(QPalette::ButtonText, QColor(220, 220, 220));
    dark.setColor(QPalette::Highlight, QColor(38, 79, 120));
    dark.setColor(QPalette::HighlightedText, Qt::white);
    dark.setColor(QPalette::ToolTipBase, QColor(60, 60, 60));
    dark.setColor(QPalette::ToolTipText, QColor(220, 220, 220));
    dark.setColor(QPalette::PlaceholderText, QColor(140, 140, 140));
    dark.setColor(QPalette::Disabled, QPalette::Text, QColor(120, 120, 120));
    dark.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(120, 120, 120));
    dark.setColor(QPalette::Disabled, QPalette::WindowText, QColor(120, 120, 120));
    QApplication::setPalette(dark);
}

// Connects the window to the fake receiver and feeds it one message of each kind.
int runAgainstFakeReceiver(CCorvaneDlg& dlg, QTcpServer& receiver) {
    qobject_cast<QLineEdit*>(dlg.control(corvane::kPortEdit))
        ->setText(QString::number(receiver.serverPort()));
    qobject_cast<QAbstractButton*>(dlg.control(corvane::kShowLogCheck))->click();
    qobject_cast<QAbstractButton*>(dlg.control(corvane::kConnectButton))->click();
    // The window connects in the background; its caption changes once the link is up.
    if (!waitUntil(
            [&] {
                return controlText(dlg, corvane::kConnectButton) == QStringLiteral("Disconnect");
            },
            kConnectTimeoutMs)) {
        return fail("the window did not connect to the fake receiver");
    }
    if (!receiver.hasPendingConnections() && !receiver.waitForNewConnection(kTimeoutMs)) {
        return fail("the window's connection did not arrive");
    }
    QTcpSocket* peer = receiver.nextPendingConnection();
    qint64 answers = 0;
    for (const char* message : kMessages) {
        peer->write(message);
        if (!waitUntil([&] { return answers + peer->bytesAvailable() > 0; })) {
            return fail("a message was not answered");
        }
        answers += peer->readAll().size();
    }
    // The counters show at the timer's next tick.
    const bool shown = waitUntil([&] {
        return controlText(dlg, corvane::kSgHeartbeatCountEdit) == QStringLiteral("2") &&
               controlText(dlg, corvane::kDeviceHeartCountEdit) == QStringLiteral("1");
    });
    return shown ? 0 : fail("the counters did not show");
}

int shootMessages(CCorvaneDlg& dlg, const Options& options, bool ran) {
    corvane::ui::openMessagesWindow(dlg);
    auto* messages = dlg.findChild<corvane::ui::MessagesWindow*>("MessagesWindow");
    constexpr int kSiaRow = 2;
    const int expected = ran ? static_cast<int>(std::size(kMessages)) : 0;
    const bool listed = messages != nullptr && waitUntil([&] {
                            messages->tick();
                            return messages->model().rowCount() == expected;
                        });
    if (!listed) {
        return fail("the Messages window did not list the messages");
    }
    if (ran) {
        messages->table().selectRow(kSiaRow);
    }
    messages->tick();
    if (!save(*messages, options.messagesPng)) {
        return fail("cannot write the Messages window image");
    }
    auto* tabs = messages->findChild<QTabWidget*>();
    int place = 0;
    for (const std::string& path : {options.receiversPng, options.chartPng}) {
        ++place;
        if (path.empty()) {
            continue;
        }
        tabs->setCurrentIndex(place);
        for (int t = 0; t < corvane::ui::MessagesWindow::kTicksPerSecond; ++t) {
            messages->tick();
        }
        if (!save(*messages, path)) {
            return fail("cannot write a Messages window image");
        }
    }
    return 0;
}

template <class Tool>
int shootTool(CCorvaneDlg& dlg, void (*open)(CCorvaneDlg&), const std::string& path) {
    open(dlg);
    Tool* tool = dlg.findChild<Tool*>();
    if (tool == nullptr) {
        return fail("a tool window did not open");
    }
    return save(*tool, path) ? 0 : fail("cannot write a tool window image");
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    Options options;
    CLI::App cli("Renders Corvane's windows to PNG files.", "corvane-screenshot");
    cli.add_option("main", options.mainPng, "The main window's picture")->required();
    cli.add_option("messages", options.messagesPng, "The Messages window's picture");
    cli.add_option("--protocol", options.protocol, "Sur-Gard (a short run) or SIA-DCS (no run)")
        ->check(CLI::IsMember({"Sur-Gard", "SIA-DCS"}));
    cli.add_option("--size", options.size,
                   "The main window's size: WxH, min, or screen (as the application opens it)");
    cli.add_flag("--dark", options.dark, "A dark palette (Fusion style)");
    cli.add_option("--keys", options.keysPng, "The DC-09 Keys window's picture");
    cli.add_option("--script", options.scriptPng, "The Answer Script window's picture");
    cli.add_option("--remote", options.remotePng, "The Remote Control window's picture");
    cli.add_option("--quit", options.quitPng, "The question asked before quitting a run");
    cli.add_option("--about", options.aboutPng, "The About box's picture");
    cli.add_option("--receivers", options.receiversPng, "The Messages window's Receivers tab")
        ->needs(cli.get_option("messages"));
    cli.add_option("--chart", options.chartPng, "The Messages window's Chart tab")
        ->needs(cli.get_option("messages"));
    CLI11_PARSE(cli, argc, argv);
    if (options.dark) {
        useDarkPalette();
    }

    QTcpServer receiver;
    if (!receiver.listen(QHostAddress::LocalHost, 0)) {
        return fail("the fake receiver cannot listen on 127.0.0.1");
    }

    CCorvaneDlg dlg;
    dlg.setPrompt([](const QString& text) {
        std::fprintf(stderr, "corvane-screenshot: the window says: %s\n", qPrintable(text));
    });
    const QString protocol = QString::fromStdString(options.protocol);
    dlg.initialise([protocol] { return std::optional<QString>(protocol); });
    if (options.size == "screen") {
        dlg.fitInto(dlg.screen()->availableGeometry());  // as the application starts it
    } else if (options.size == "min") {
        dlg.resize(dlg.minimumSize());
    } else if (!options.size.empty()) {
        const QStringList parts = QString::fromStdString(options.size).split('x');
        if (parts.size() != 2) {
            return fail("--size takes WxH, min or screen");
        }
        dlg.resize(parts[0].toInt(), parts[1].toInt());
    }
    dlg.show();
    const bool run = options.protocol == "Sur-Gard";
    if (run) {
        if (const int failed = runAgainstFakeReceiver(dlg, receiver)) {
            return failed;
        }
    }
    if (!save(dlg, options.mainPng)) {
        return fail("cannot write the image");
    }
    int failed = 0;
    if (!options.messagesPng.empty()) {
        failed |= shootMessages(dlg, options, run);
    }
    if (!options.keysPng.empty()) {
        failed |= shootTool<corvane::ui::Dc09KeysWindow>(dlg, corvane::ui::openDc09KeysWindow,
                                                         options.keysPng);
    }
    if (!options.scriptPng.empty()) {
        failed |= shootTool<corvane::ui::AnswerScriptWindow>(
            dlg, corvane::ui::openAnswerScriptWindow, options.scriptPng);
    }
    if (!options.remotePng.empty()) {
        failed |= shootTool<corvane::ui::RemoteControlWindow>(
            dlg, corvane::ui::openRemoteControlWindow, options.remotePng);
    }
    if (!options.quitPng.empty()) {
        const std::unique_ptr<QMessageBox> question =
            corvane::ui::makeQuitQuestion(dlg.runInProgress(), &dlg);
        question->show();
        failed |= save(*question, options.quitPng) ? 0 : fail("cannot write the question");
    }
    if (!options.aboutPng.empty()) {
        CAboutDlg about(&dlg);
        about.show();
        failed |= save(about, options.aboutPng) ? 0 : fail("cannot write the About box");
    }
    return failed;
}
