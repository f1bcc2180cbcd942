// Renders the real main window to a PNG: Sur-Gard in Client mode, Show Log checked, connected to
// a fake receiver in this process that sends a few messages of each kind. Run it on the offscreen
// platform: corvane-screenshot <out.png> [<messages.png>]; the second picture shows the Messages
// window over the same run, with the SIA event selected.
#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <cstdio>

#include "ui/control_ids.h"
#include "ui/corvane_dlg.h"
#include "ui/messages_window.h"
#include "ui/record_table_model.h"

namespace {

constexpr int kTimeoutMs = 15000;

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

// Runs the event loop until `done` holds; false after the time-out.
template <typename Condition>
bool waitUntil(Condition done) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > kTimeoutMs) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    return true;
}

QString controlText(const CCorvaneDlg& dlg, int id) {
    if (auto* edit = qobject_cast<QLineEdit*>(dlg.control(id))) {
        return edit->text();
    }
    return qobject_cast<QAbstractButton*>(dlg.control(id))->text();
}

int fail(const char* what) {
    std::fprintf(stderr, "corvane-screenshot: %s\n", what);
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 2 && argc != 3) {
        return fail("usage: corvane-screenshot <out.png> [<messages.png>]");
    }

    QTcpServer receiver;
    if (!receiver.listen(QHostAddress::LocalHost, 0)) {
        return fail("the fake receiver cannot listen on 127.0.0.1");
    }

    CCorvaneDlg dlg;
    dlg.setPrompt([](const QString& text) {
        std::fprintf(stderr, "corvane-screenshot: the window says: %s\n", qPrintable(text));
    });
    dlg.initialise([] { return std::optional<QString>(QStringLiteral("Sur-Gard")); });
    dlg.show();
    qobject_cast<QLineEdit*>(dlg.control(corvane::kPortEdit))
        ->setText(QString::number(receiver.serverPort()));
    qobject_cast<QAbstractButton*>(dlg.control(corvane::kShowLogCheck))->click();
    qobject_cast<QAbstractButton*>(dlg.control(corvane::kConnectButton))->click();
    if (controlText(dlg, corvane::kConnectButton) != QStringLiteral("Disconnect")) {
        return fail("the window did not connect to the fake receiver");
    }
    if (!receiver.waitForNewConnection(kTimeoutMs)) {
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
    if (!shown) {
        return fail("the counters did not show");
    }
    if (!dlg.grab().save(QString::fromLocal8Bit(argv[1]))) {
        return fail("cannot write the image");
    }
    if (argc == 3) {
        dlg.toolButton(QStringLiteral("Messages..."))->click();
        auto* messages = dlg.findChild<corvane::ui::MessagesWindow*>("MessagesWindow");
        constexpr int kSiaRow = 2;
        const bool listed =
            messages != nullptr && waitUntil([&] {
                messages->tick();
                return messages->model().rowCount() == static_cast<int>(std::size(kMessages));
            });
        if (!listed) {
            return fail("the Messages window did not list the messages");
        }
        messages->table().selectRow(kSiaRow);
        messages->tick();
        if (!messages->grab().save(QString::fromLocal8Bit(argv[2]))) {
            return fail("cannot write the Messages window image");
        }
    }
    return 0;
}
