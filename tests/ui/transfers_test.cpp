// The save transfer: fixed order, range checks, the stop at the first refused field, what a
// refusal leaves in the record, and what an accepted transfer reads back.
#include <QTest>

#include "window_fixture.h"

using corvane::test::OpenWindow;
using namespace corvane;

namespace {
const QString kInteger = "Please enter an integer.";
QString range(int low, int high) {
    return QString("Please enter an integer between %1 and %2.").arg(low).arg(high);
}
}  // namespace

class TransfersTest : public QObject {
    Q_OBJECT

  private slots:
    void numericFields_data() {
        QTest::addColumn<QString>("port");
        QTest::addColumn<QString>("lines");
        QTest::addColumn<QString>("interval");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<QString>("prompt");
        QTest::addColumn<int>("refusedId");
        QTest::addColumn<int>("portAfter");
        QTest::addColumn<int>("linesAfter");
        QTest::addColumn<int>("intervalAfter");

        // Initial values: port 1025, lines 1000, interval 300. Fields after a refused one keep
        // the record's values; a non-integer keeps its own; an out-of-range value is stored.
        QTest::newRow("port with letters")
            << "10x5"
            << "60"
            << "10" << false << kInteger << int(kPortEdit) << 1025 << 1000 << 300;
        QTest::newRow("empty port")
            << ""
            << "60"
            << "10" << false << kInteger << int(kPortEdit) << 1025 << 1000 << 300;
        QTest::newRow("port 70000")
            << "70000"
            << "60"
            << "10" << false << range(1, 65535) << int(kPortEdit) << 70000 << 1000 << 300;
        QTest::newRow("port 0") << "0"
                                << "60"
                                << "10" << false << range(1, 65535) << int(kPortEdit) << 0 << 1000
                                << 300;
        QTest::newRow("port -1") << "-1"
                                 << "60"
                                 << "10" << false << range(1, 65535) << int(kPortEdit) << -1 << 1000
                                 << 300;
        QTest::newRow("port beyond int")
            << "99999999999"
            << "60"
            << "10" << false << kInteger << int(kPortEdit) << 1025 << 1000 << 300;
        QTest::newRow("port 1") << "1"
                                << "60"
                                << "10" << true << "" << 0 << 1 << 60 << 10;
        QTest::newRow("port 65535 with blanks") << " 65535 "
                                                << "+60"
                                                << "10" << true << "" << 0 << 65535 << 60 << 10;
        QTest::newRow("lines 49") << "2000"
                                  << "49"
                                  << "10" << false << range(50, 50000) << int(kLinesToSaveEdit)
                                  << 2000 << 49 << 300;
        QTest::newRow("lines 50") << "2000"
                                  << "50"
                                  << "10" << true << "" << 0 << 2000 << 50 << 10;
        QTest::newRow("lines 50000") << "2000"
                                     << "50000"
                                     << "10" << true << "" << 0 << 2000 << 50000 << 10;
        QTest::newRow("lines 50001")
            << "2000"
            << "50001"
            << "10" << false << range(50, 50000) << int(kLinesToSaveEdit) << 2000 << 50001 << 300;
        QTest::newRow("lines not a number")
            << "2000"
            << "5O"
            << "10" << false << kInteger << int(kLinesToSaveEdit) << 2000 << 1000 << 300;
        QTest::newRow("interval 301")
            << "2000"
            << "60"
            << "301" << false << range(1, 300) << int(kHeartbeatIntervalEdit) << 2000 << 60 << 301;
        QTest::newRow("interval 300") << "2000"
                                      << "60"
                                      << "300" << true << "" << 0 << 2000 << 60 << 300;
        QTest::newRow("interval 0")
            << "2000"
            << "60"
            << "0" << false << range(1, 300) << int(kHeartbeatIntervalEdit) << 2000 << 60 << 0;
    }
    void numericFields() {
        QFETCH(QString, port);
        QFETCH(QString, lines);
        QFETCH(QString, interval);
        QFETCH(bool, accepted);
        QFETCH(QString, prompt);
        QFETCH(int, refusedId);
        QFETCH(int, portAfter);
        QFETCH(int, linesAfter);
        QFETCH(int, intervalAfter);

        OpenWindow w("Sur-Gard");
        w.edit(kReceiverIpEdit)->setText("10.0.0.9");  // before every numeric field
        w.edit(kPortEdit)->setText(port);
        w.edit(kLinesToSaveEdit)->setText(lines);
        w.edit(kHeartbeatIntervalEdit)->setText(interval);
        w.button(kShowLogCheck)->setChecked(true);  // after every numeric field

        QCOMPARE(w.dlg->saveTransfer(), accepted);
        QCOMPARE(w.station().m_receiverIp, std::string("10.0.0.9"));
        QCOMPARE(w.station().m_port, portAfter);
        QCOMPARE(w.station().m_linesToSave.load(), linesAfter);
        QCOMPARE(w.station().m_heartbeatInterval, intervalAfter);
        QCOMPARE(w.station().m_showLog.load(), accepted ? 1 : 0);
        if (accepted) {
            QVERIFY(w.prompts->isEmpty());
        } else {
            QCOMPARE(*w.prompts, QStringList{prompt});
            QLineEdit* refused = w.edit(refusedId);
            QCOMPARE(w.dlg->focusWidget(), refused);
            QCOMPARE(refused->selectedText(), refused->text());
        }
    }

    void acceptedTransferReadsEveryBoundControl() {
        OpenWindow w("Sur-Gard");
        w.logBox()->setPlainText(QString::fromUtf8("typed line\nframe \u240A\u2414 \u00E9"));
        for (QRadioButton* radio : w.dlg->findChildren<QRadioButton*>()) {
            radio->setAutoExclusive(false);
            radio->setChecked(false);
        }
        w.edit(kCustomResponseEdit)->setText("21");
        w.edit(kLinkStatusEdit)->setText("TCP Client Connected");
        w.edit(kCidCountEdit)->setText("999");  // a display only: never read back
        w.station().m_sgPrivateCount = 7;

        QVERIFY(w.dlg->saveTransfer());
        QCOMPARE(w.log().logText(), std::string("typed line\r\nframe \n\x14 \xE9"));
        QCOMPARE(w.station().m_responseMode.load(), ResponseMode::None);
        QCOMPARE(w.station().customResponse(), std::string("21"));
        QCOMPARE(w.station().m_linkStatus, std::string("TCP Client Connected"));
        QCOMPARE(w.station().m_cidCount.load(), 0);
        QCOMPARE(w.station().m_sgPrivateCount.load(), 7);
        QCOMPARE(w.station().m_showLog.load(), 0);
    }

    void checkedRadioGivesItsPlace() {
        OpenWindow w("Sur-Gard");
        w.button(kCustomToAllButHeartbeatsRadio)->setChecked(true);  // no click handler runs
        QCOMPARE(w.station().m_responseMode.load(), ResponseMode::AckAll);
        QVERIFY(w.dlg->saveTransfer());
        QCOMPARE(w.station().m_responseMode.load(), ResponseMode::CustomToAllButHeartbeats);
    }

    void firstShowLogDropsTheHiddenLog() {
        OpenWindow w("Sur-Gard");
        w.log().appendLogLine("2024/03/07 09:05:02", "  -  1011 @\x14 --> \r\n");
        w.log().updateLogView();
        QVERIFY(w.logBox()->toPlainText().isEmpty());
        QTest::mouseClick(w.button(kShowLogCheck), Qt::LeftButton);
        QCOMPARE(w.log().logText(), std::string());  // the box held nothing
        w.log().appendLogLine("2024/03/07 09:05:03", "  -  Disconnected\r\n");
        w.log().updateLogView();
        QCOMPARE(w.logBox()->toPlainText(), QString("2024/03/07 09:05:03  -  Disconnected\n"));
    }
};

QTEST_MAIN(TransfersTest)
#include "transfers_test.moc"
