// Whole runs through the window against a fake receiver on 127.0.0.1: Connect or Start, messages
// answered and logged, counters shown by the timer, and the stop by the button or the heartbeat
// time-out.
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

#include "platform/vexo.h"
#include "protocol/crc16.h"
#include "ui/log_box_text.h"
#include "window_fixture.h"

using corvane::test::OpenWindow;
using namespace corvane;

namespace {

constexpr int kWaitMs = 10000;

// MLR2000 Contact ID, 4-digit account: RR 01, LLL 001, account 1234, event 130, group 01, zone 015.
const QByteArray kContactId("501001 181234113001015\x14");
const QByteArray kHeartbeat("1011           @    \x14");

QByteArray dc09Frame(const QByteArray& body) {
    const std::uint16_t crc =
        crc16(std::string_view(body.constData(), static_cast<std::size_t>(body.size())));
    return "\n" + QByteArray::number(crc, 16).toUpper().rightJustified(4, '0') + "0" +
           QByteArray::number(body.size(), 16).toUpper().rightJustified(3, '0') + body + "\r";
}

// A port that was free a moment ago, for the server to listen on.
quint16 freePort() {
    QTcpServer probe;
    if (!probe.listen(QHostAddress::Any, 0)) {
        return 0;
    }
    return probe.serverPort();
}

QString shownLog(const OpenWindow& w) {
    return w.logBox()->toPlainText();
}

void showLog(OpenWindow& w) {
    QTest::mouseClick(w.button(kShowLogCheck), Qt::LeftButton);
    QCOMPARE(w.station().m_showLog.load(), 1);
}

}  // namespace

class LinkRunTest : public QObject {
    Q_OBJECT

  private slots:
    void clientRunAnswersCountsAndLogs() {
        QTcpServer receiver;
        QVERIFY(receiver.listen(QHostAddress::LocalHost, 0));
        OpenWindow w("Sur-Gard");
        w.edit(kPortEdit)->setText(QString::number(receiver.serverPort()));
        showLog(w);

        QTest::mouseClick(w.button(kConnectButton), Qt::LeftButton);
        // The connect runs on a thread of its own; the window finishes the start once it is over.
        QTRY_COMPARE_WITH_TIMEOUT(w.text(kConnectButton), QString("Disconnect"), kWaitMs);
        QVERIFY(w.prompts->isEmpty());
        QCOMPARE(w.text(kLinkStatusEdit), QString("TCP Client Connected"));
        QVERIFY(!w.combo(kModeCombo)->isEnabled());
        QVERIFY(shownLog(w).contains("  -  Connected!"));

        QVERIFY(receiver.hasPendingConnections() || receiver.waitForNewConnection(kWaitMs));
        QTcpSocket* peer = receiver.nextPendingConnection();
        peer->write(kContactId + kHeartbeat);
        QTRY_COMPARE_WITH_TIMEOUT(peer->bytesAvailable(), qint64(2), kWaitMs);
        QCOMPARE(peer->readAll(), QByteArray("\x06\x06"));

        QTRY_COMPARE_WITH_TIMEOUT(w.text(kCidCountEdit), QString("1"), kWaitMs);
        QTRY_COMPARE_WITH_TIMEOUT(w.text(kSgHeartbeatCountEdit), QString("1"), kWaitMs);
        QTRY_VERIFY_WITH_TIMEOUT(
            shownLog(w).contains(QString::fromUtf8(
                "\u2414 --> CID: RR=01, LLL=001, Account=1234, EventCode=130, GroupCode=01, "
                "ZoneCode=015")),
            kWaitMs);
        QTRY_VERIFY_WITH_TIMEOUT(shownLog(w).contains(QString::fromUtf8("@    \u2414 --> \n")),
                                 kWaitMs);

        QTest::mouseClick(w.button(kConnectButton), Qt::LeftButton);
        QCOMPARE(w.text(kConnectButton), QString("Connect"));
        QCOMPARE(w.text(kLinkStatusEdit), QString("TCP Client Disconnected"));
        QVERIFY(w.combo(kModeCombo)->isEnabled());
        QVERIFY(shownLog(w).endsWith("  -  Disconnected\n"));
    }

    void clientConnectWithoutReceiverIsReported() {
        const quint16 port = freePort();
        OpenWindow w("Sur-Gard");
        w.edit(kPortEdit)->setText(QString::number(port));
        QTest::mouseClick(w.button(kConnectButton), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!w.prompts->isEmpty(), kWaitMs);
        QCOMPARE(*w.prompts, QStringList{"Connect failed, please check the parameters!\n"
                                         "Connection refused (127.0.0.1:" +
                                         QString::number(port) + ")"});
        QCOMPARE(w.text(kConnectButton), QString("Connect"));
        QCOMPARE(w.text(kLinkStatusEdit), QString("TCP Disconnected"));
    }

    void closingTheWindowEndsARunningClientLink() {
        QTcpServer receiver;
        QVERIFY(receiver.listen(QHostAddress::LocalHost, 0));
        OpenWindow w("Sur-Gard");
        w.edit(kPortEdit)->setText(QString::number(receiver.serverPort()));
        QTest::mouseClick(w.button(kConnectButton), Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(w.text(kConnectButton), QString("Disconnect"), kWaitMs);
        QVERIFY(receiver.hasPendingConnections() || receiver.waitForNewConnection(kWaitMs));
        QTcpSocket* peer = receiver.nextPendingConnection();
        bool askedWithLinkUp = false;
        w.dlg->setQuitQuestion([&](const ui::RunInProgress& run) {
            askedWithLinkUp = run.linkUp;
            return ui::QuitAnswer::QuitWithoutSaving;
        });
        QVERIFY(w.dlg->close());
        QVERIFY(askedWithLinkUp);

        // The window goes away as the application ends: the link stops, its threads are joined.
        w.dlg.reset();
        QVERIFY(peer->state() == QAbstractSocket::UnconnectedState ||
                peer->waitForDisconnected(kWaitMs));
    }

    void silentReceiverIsDroppedByTheHeartbeatCheck() {
        QTcpServer receiver;
        QVERIFY(receiver.listen(QHostAddress::LocalHost, 0));
        OpenWindow w("Sur-Gard");
        w.edit(kPortEdit)->setText(QString::number(receiver.serverPort()));
        w.edit(kHeartbeatIntervalEdit)->setText("1");
        showLog(w);
        QTest::mouseClick(w.button(kConnectButton), Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(w.text(kConnectButton), QString("Disconnect"), kWaitMs);

        Vexo_SetTimeTickOffset(2000);  // the interval has passed, without waiting for it
        QTRY_COMPARE_WITH_TIMEOUT(w.text(kConnectButton), QString("Connect"), kWaitMs);
        Vexo_SetTimeTickOffset(0);
        QCOMPARE(w.text(kLinkStatusEdit), QString("TCP Client Disconnected"));
        const QString log = shownLog(w);
        QVERIFY(log.indexOf("  -  Heartbeat timeout\n") < log.indexOf("  -  Disconnected\n"));
        QVERIFY(log.contains("  -  Heartbeat timeout\n"));
    }

    void surGardServerRun() {
        const quint16 port = freePort();
        OpenWindow w("Sur-Gard");
        w.choose(kModeCombo, "Server");
        w.edit(kPortEdit)->setText(QString::number(port));
        showLog(w);
        QTest::mouseClick(w.button(kConnectButton), Qt::LeftButton);
        QVERIFY(w.prompts->isEmpty());
        QCOMPARE(w.text(kConnectButton), QString("Close"));
        QCOMPARE(w.text(kLinkStatusEdit), QString("TCP Server Start"));
        QVERIFY(!w.combo(kModeCombo)->isEnabled());

        QTcpSocket receiver;
        receiver.connectToHost(QHostAddress::LocalHost, port);
        QVERIFY(receiver.waitForConnected(kWaitMs));
        QTRY_COMPARE_WITH_TIMEOUT(w.text(kLinkStatusEdit), QString("TCP Client Connected"),
                                  kWaitMs);
        receiver.write(kHeartbeat);
        QTRY_COMPARE_WITH_TIMEOUT(receiver.bytesAvailable(), qint64(1), kWaitMs);
        QCOMPARE(receiver.readAll(), QByteArray("\x06"));
        QTRY_COMPARE_WITH_TIMEOUT(w.text(kSgHeartbeatCountEdit), QString("1"), kWaitMs);

        receiver.disconnectFromHost();
        QTRY_COMPARE_WITH_TIMEOUT(w.text(kLinkStatusEdit), QString("TCP Client DisConnected"),
                                  kWaitMs);
        QTRY_VERIFY_WITH_TIMEOUT(shownLog(w).contains("  -  DisConnect!\n"), kWaitMs);

        QTest::mouseClick(w.button(kConnectButton), Qt::LeftButton);
        QCOMPARE(w.text(kConnectButton), QString("Start"));
        QCOMPARE(w.text(kLinkStatusEdit), QString("TCP Server Close"));
        QVERIFY(w.combo(kModeCombo)->isEnabled());
        QVERIFY(
            QRegularExpression("  -  Disconnected\\n\\d{4}/\\d\\d/\\d\\d \\d\\d:\\d\\d:\\d\\d  -  "
                               "Server Close!\\n$")
                .match(shownLog(w))
                .hasMatch());
    }

    void siaDcsStopKeepsTheModeSelectorDisabled() {
        OpenWindow w("SIA-DCS");
        w.edit(kPortEdit)->setText(QString::number(freePort()));
        QTest::mouseClick(w.button(kConnectButton), Qt::LeftButton);
        QCOMPARE(w.text(kConnectButton), QString("Close"));
        QTest::mouseClick(w.button(kConnectButton), Qt::LeftButton);
        QCOMPARE(w.text(kConnectButton), QString("Start"));
        QCOMPARE(w.text(kLinkStatusEdit), QString("TCP Server Close"));
        QVERIFY(!w.combo(kModeCombo)->isEnabled());
    }

    void serverStartOnATakenPortSaysWhy() {
        QTcpServer taken;
        QVERIFY(taken.listen(QHostAddress::Any, 0));
        OpenWindow w("SIA-DCS");
        w.edit(kPortEdit)->setText(QString::number(taken.serverPort()));
        QTest::mouseClick(w.button(kConnectButton), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!w.prompts->isEmpty(), kWaitMs);
        QCOMPARE(*w.prompts, QStringList{"startServer failed, please check the parameters!\n"
                                         "Address already in use (0.0.0.0:" +
                                         QString::number(taken.serverPort()) + ")"});
        QCOMPARE(w.text(kConnectButton), QString("Start"));
    }

    void siaDcsServerRunAnswersWithAckFrames() {
        const quint16 port = freePort();
        OpenWindow w("SIA-DCS");
        w.edit(kPortEdit)->setText(QString::number(port));
        showLog(w);
        QTest::mouseClick(w.button(kConnectButton), Qt::LeftButton);
        QCOMPARE(w.text(kConnectButton), QString("Close"));

        QTcpSocket receiver;
        receiver.connectToHost(QHostAddress::LocalHost, port);
        QVERIFY(receiver.waitForConnected(kWaitMs));
        QTRY_COMPARE_WITH_TIMEOUT(w.text(kLinkStatusEdit), QString("TCP Client Connected"),
                                  kWaitMs);
        receiver.write(dc09Frame("\"SIA-DCS\"0007R1L2#1234[#1234|Nri1/BA01]"));
        QTRY_VERIFY_WITH_TIMEOUT(
            receiver.bytesAvailable() > 0 && receiver.peek(1024).endsWith('\r'), kWaitMs);
        const QByteArray answer = receiver.readAll();
        QVERIFY2(answer.startsWith('\n') && answer.contains("\"ACK\""), answer.constData());

        QTRY_COMPARE_WITH_TIMEOUT(w.text(kSiaCountEdit), QString("1"), kWaitMs);
        QTRY_VERIFY_WITH_TIMEOUT(
            shownLog(w).contains("SIA: Account=1234, EventCode=BA, System=1, Group=01"), kWaitMs);
        // The frame's own LF and CR show as symbols, not as line breaks.
        QVERIFY(shownLog(w).contains(QString::fromUtf8("\u240A")));

        // Closing the window with the server running stops it and joins its threads.
        w.dlg.reset();
        receiver.waitForDisconnected(kWaitMs);
        QCOMPARE(receiver.state(), QAbstractSocket::UnconnectedState);
    }
};

QTEST_MAIN(LinkRunTest)
#include "link_run_test.moc"
