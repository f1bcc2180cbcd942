// The Remote Control window: started from its button on a port typed in, a change through the
// control API shows in the radio buttons, the custom field and the Answer Script window, and the
// service stops with its window. The window's run reaches the event streams.
#include <httplib.h>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

#include "ui/answer_script_window.h"
#include "ui/dc09_keys_window.h"
#include "ui/remote_control_window.h"
#include "ui/tool_windows.h"
#include "window_fixture.h"

using corvane::test::OpenWindow;
using namespace corvane;

namespace {

constexpr int kWaitMs = 10000;
const char* const kContactId = "501001 181234113001015\x14";

// A port that was free a moment ago.
quint16 freePort() {
    QTcpServer probe;
    return probe.listen(QHostAddress::LocalHost) ? probe.serverPort() : 0;
}

// Opens the Remote Control window and starts its control API on a free port.
ui::RemoteControlWindow* startControl(OpenWindow& w) {
    QTest::mouseClick(w.dlg->toolButton("Remote control..."), Qt::LeftButton);
    auto* window = w.dlg->findChild<ui::RemoteControlWindow*>();
    window->controlEdit()->setText(QString::number(freePort()));
    window->startButton()->click();
    return window;
}

// The event types a subscription hands out until `last` comes, or nothing came for a while.
QStringList typesUntil(remote::EventFeed::Subscription& events, const QString& last) {
    QStringList types;
    while (!types.contains(last)) {
        const auto frame = events.next(std::chrono::milliseconds(kWaitMs));
        if (!frame) {
            break;
        }
        types << QString::fromStdString(frame->substr(7, frame->find('\n') - 7));
    }
    return types;
}

}  // namespace

class RemoteControlWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void anApiChangeShowsInTheControls() {
        OpenWindow w("SIA-DCS");
        QTest::mouseClick(w.dlg->toolButton("Remote control..."), Qt::LeftButton);
        auto* window = w.dlg->findChild<ui::RemoteControlWindow*>();
        QVERIFY(window != nullptr && window->isVisible() && !window->isModal());
        ui::openAnswerScriptWindow(*w.dlg);
        auto* scripts = w.dlg->findChild<ui::AnswerScriptWindow*>();

        window->controlEdit()->setText("not a port");
        window->startButton()->click();
        QVERIFY(!window->service().running());
        QVERIFY(window->statusLabel()->text().startsWith("Control port: "));
        // A port from the system's free ones, then typed in as the operator would.
        window->controlEdit()->setText("0.0.0.0:1");
        window->startButton()->click();
        QVERIFY(window->statusLabel()->text().contains("needs --control-token-file"));
        window->controlEdit()->setText(QString::number(freePort()));
        window->startButton()->click();
        QVERIFY2(window->service().running(), qPrintable(window->statusLabel()->text()));
        QCOMPARE(window->startButton()->text(), QString("&Stop"));

        httplib::Client client("127.0.0.1", window->service().controlPort());
        const auto res = client.Put(
            "/v1/answers", R"({"policy":"custom-all","custom":"ACK-X","script":"NACK*2, ACK"})",
            "application/json");
        QVERIFY(res && res->status == 200);
        QTRY_VERIFY(qobject_cast<QRadioButton*>(w.dlg->control(1010))->isChecked());
        QCOMPARE(w.edit(1012)->text(), QString("ACK-X"));
        QCOMPARE(scripts->mainScriptEdit()->text(), QString("NACK*2, ACK"));
        QVERIFY(scripts->scriptSwitch()->isChecked());
        ui::openDc09KeysWindow(*w.dlg);
        auto* keys = w.dlg->findChild<ui::Dc09KeysWindow*>();
        QCOMPARE(
            client.Put("/v1/dc09", R"({"time_window":{"past":90,"future":5}})", "application/json")
                ->status,
            200);
        QTRY_COMPARE(keys->pastBound()->value(), 90);
        QVERIFY(keys->windowSwitch()->isChecked());

        window->startButton()->click();
        QVERIFY(!window->service().running());
        QVERIFY(!client.Get("/v1/status"));
    }

    void theWindowsRunReachesTheEventStream() {
        const quint16 port = freePort();
        OpenWindow w("Sur-Gard");
        w.choose(kModeCombo, "Server");
        w.edit(kPortEdit)->setText(QString::number(port));
        ui::RemoteControlWindow* window = startControl(w);
        QVERIFY2(window->service().running(), qPrintable(window->statusLabel()->text()));
        const auto events = window->service().events().subscribe();
        QTest::mouseClick(w.button(kConnectButton), Qt::LeftButton);

        QTcpSocket receiver;
        receiver.connectToHost(QHostAddress::LocalHost, port);
        QVERIFY(receiver.waitForConnected(kWaitMs));
        receiver.write(kContactId);
        QTRY_COMPARE_WITH_TIMEOUT(receiver.bytesAvailable(), qint64(1), kWaitMs);
        QCOMPARE(typesUntil(*events, "message"), (QStringList{"connected", "message"}));

        // Stopped, the service builds no more events; started again, it does.
        window->startButton()->click();
        QVERIFY(events->closed());
        receiver.write(kContactId);
        QTRY_COMPARE_WITH_TIMEOUT(receiver.bytesAvailable(), qint64(2), kWaitMs);
        QTRY_COMPARE_WITH_TIMEOUT(w.station().tally().messages(), std::uint64_t(2), kWaitMs);
        window->startButton()->click();
        QVERIFY(window->service().running());
        const auto again = window->service().events().subscribe();
        receiver.disconnectFromHost();
        QCOMPARE(typesUntil(*again, "lost"), QStringList{"lost"});

        // The window closes with the link running and a stream listening: the link ends first.
        w.dlg.reset();
        QVERIFY(again->closed());
    }
};

QTEST_MAIN(RemoteControlWindowTest)
#include "remote_control_window_test.moc"
