// The main window: its controls, the set-up for each protocol, the mode and receiver-type
// choices, the radio buttons, Show Log, Enter and Escape, and updates from worker threads.
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTest>
#include <thread>
#include <vector>

#include "ui/control_table.h"
#include "ui/log_box_text.h"
#include "ui/tool_windows.h"
#include "window_fixture.h"

using corvane::test::OpenWindow;
using namespace corvane;

class MainWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void everyControlHasItsPlaceTextAndKind() {
        OpenWindow w("Sur-Gard");
        const ui::DialogUnits& units = w.dlg->dialogUnits();
        for (const ui::ControlSpec& spec : ui::mainWindowControls()) {
            if (spec.id == ui::kNoId) {
                continue;
            }
            QWidget* widget = w.dlg->control(spec.id);
            QVERIFY2(widget != nullptr, qPrintable(QString::number(spec.id)));
            QCOMPARE(widget->geometry(), units.toPixels(spec.dlu));
        }
        // The console, and the row of tool buttons below it.
        QCOMPARE(w.dlg->minimumSize(), units.toPixels(QSize(597, 345 + ui::kToolRowHeightDlu)));
        QCOMPARE(w.button(kConnectButton)->text(), QString("Connect"));
        QCOMPARE(w.button(kShowLogCheck)->text(), QString("Show Log"));
        QCOMPARE(w.button(kCustomToAllButHeartbeatsRadio)->text(),
                 QString("Custom Response To All But Heartbeats"));
        for (const int id : {kLinkStatusEdit, kCidCountEdit, kSiaCountEdit, kSgHeartbeatCountEdit,
                             kSgPrivateCountEdit, kDeviceHeartCountEdit}) {
            QVERIFY(w.edit(id)->isReadOnly());
        }
        QVERIFY(!w.edit(kPortEdit)->isReadOnly());
        QVERIFY(!w.logBox()->isReadOnly());
        QCOMPARE(w.logBox()->lineWrapMode(), QPlainTextEdit::NoWrap);
        QVERIFY(!w.combo(kModeCombo)->isEditable());
    }

    void captionsFitAndControlsDoNotOverlap() {
        OpenWindow w("Sur-Gard");
        std::vector<QWidget*> placed;
        for (QWidget* child : w.dlg->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if (qobject_cast<QGroupBox*>(child) == nullptr && child->isVisible()) {
                placed.push_back(child);
            }
            if (auto* label = qobject_cast<QLabel*>(child)) {
                QVERIFY2(label->sizeHint().width() <= label->width(), qPrintable(label->text()));
            }
            if (auto* button = qobject_cast<QAbstractButton*>(child)) {
                QVERIFY2(button->sizeHint().width() <= button->width(), qPrintable(button->text()));
            }
        }
        for (std::size_t i = 0; i < placed.size(); ++i) {
            for (std::size_t j = i + 1; j < placed.size(); ++j) {
                QVERIFY2(!placed[i]->geometry().intersects(placed[j]->geometry()),
                         qPrintable(placed[i]->objectName() + placed[j]->objectName()));
            }
        }
    }

    void tabOrderFollowsTheTable() {
        OpenWindow w("Sur-Gard");
        const std::vector<int> expected = {
            kReceiverIpEdit,        kLinesToSaveEdit,    kPortEdit,
            kHeartbeatIntervalEdit, kConnectButton,      kCustomResponseEdit,
            kLinkStatusEdit,        kCidCountEdit,       kSiaCountEdit,
            kSgHeartbeatCountEdit,  kSgPrivateCountEdit, kShowLogCheck,
            kDeviceHeartCountEdit};
        std::vector<int> order;
        QWidget* start = w.dlg->control(kReceiverIpEdit);
        QWidget* widget = start;
        do {
            for (const int id : expected) {
                if (w.dlg->control(id) == widget && (widget->focusPolicy() & Qt::TabFocus)) {
                    order.push_back(id);
                }
            }
            widget = widget->nextInFocusChain();
        } while (widget != start);
        QCOMPARE(order, expected);
        // The radio buttons, the log box and the two lists are not tab stops, and Tab in the log
        // box moves on instead of typing a tab into the log.
        for (const int id : {kAckAllRadio, kLogBox, kReceiverTypeCombo, kModeCombo}) {
            QCOMPARE(w.dlg->control(id)->focusPolicy() & Qt::TabFocus, 0);
        }
        QVERIFY(qobject_cast<QPlainTextEdit*>(w.dlg->control(kLogBox))->tabChangesFocus());
    }

    void surGardSetUp() {
        OpenWindow w("Sur-Gard");
        QCOMPARE(w.dlg->windowTitle(), QString("Sur-Gard"));
        QCOMPARE(w.station().m_protocol, Protocol::SurGard);
        QComboBox* mode = w.combo(kModeCombo);
        QCOMPARE(mode->count(), 2);
        QCOMPARE(mode->itemText(0), QString("Client"));
        QCOMPARE(mode->itemText(1), QString("Server"));
        QCOMPARE(mode->currentText(), QString("Client"));
        QVERIFY(mode->isEnabled());
        QComboBox* type = w.combo(kReceiverTypeCombo);
        QCOMPARE(type->count(), 2);
        QCOMPARE(type->itemText(0), QString("MLR2000"));
        QCOMPARE(type->itemText(1), QString("MLR2"));
        QCOMPARE(type->currentText(), QString("MLR2000"));
        QVERIFY(type->isEnabled());
        QVERIFY(w.edit(kReceiverIpEdit)->isEnabled());
        QCOMPARE(w.text(kConnectButton), QString("Connect"));
        // The first load transfer shows the record's initial values.
        QCOMPARE(w.text(kReceiverIpEdit), QString("127.0.0.1"));
        QCOMPARE(w.text(kPortEdit), QString("1025"));
        QCOMPARE(w.text(kLinesToSaveEdit), QString("1000"));
        QCOMPARE(w.text(kHeartbeatIntervalEdit), QString("300"));
        QCOMPARE(w.text(kLinkStatusEdit), QString("TCP Disconnected"));
        QCOMPARE(w.text(kCidCountEdit), QString("0"));
        QVERIFY(w.button(kAckAllRadio)->isChecked());
        QVERIFY(!w.button(kShowLogCheck)->isChecked());
        QCOMPARE(w.station().m_mode, LinkMode::Client);
        QCOMPARE(w.station().m_receiverType.load(), ReceiverType::Mlr2000);
    }

    void siaDcsSetUp() {
        OpenWindow w("SIA-DCS");
        QCOMPARE(w.dlg->windowTitle(), QString("SIA-DCS"));
        QCOMPARE(w.combo(kModeCombo)->currentText(), QString("Server"));
        QVERIFY(!w.combo(kModeCombo)->isEnabled());
        QCOMPARE(w.combo(kReceiverTypeCombo)->count(), 0);
        QVERIFY(!w.combo(kReceiverTypeCombo)->isEnabled());
        QVERIFY(!w.edit(kReceiverIpEdit)->isEnabled());
        QCOMPARE(w.text(kConnectButton), QString("Start"));
        QCOMPARE(w.station().m_mode, LinkMode::Server);
    }

    void modeChoiceSetsCaptionAndAddressField() {
        OpenWindow w("Sur-Gard");
        w.choose(kModeCombo, "Server");
        QCOMPARE(w.station().m_mode, LinkMode::Server);
        QVERIFY(!w.edit(kReceiverIpEdit)->isEnabled());
        QCOMPARE(w.text(kConnectButton), QString("Start"));
        w.choose(kModeCombo, "Client");
        QCOMPARE(w.station().m_mode, LinkMode::Client);
        QVERIFY(w.edit(kReceiverIpEdit)->isEnabled());
        QCOMPARE(w.text(kConnectButton), QString("Connect"));
        // Only a confirmed choice counts, not a change of the current entry alone.
        w.combo(kModeCombo)->setCurrentIndex(1);
        QCOMPARE(w.station().m_mode, LinkMode::Client);
        QCOMPARE(w.text(kConnectButton), QString("Connect"));
    }

    void receiverTypeChoice() {
        OpenWindow w("Sur-Gard");
        w.choose(kReceiverTypeCombo, "MLR2");
        QCOMPARE(w.station().m_receiverType.load(), ReceiverType::Mlr2);
        w.combo(kReceiverTypeCombo)->setCurrentIndex(0);
        QCOMPARE(w.station().m_receiverType.load(), ReceiverType::Mlr2);
        w.choose(kReceiverTypeCombo, "MLR2000");
        QCOMPARE(w.station().m_receiverType.load(), ReceiverType::Mlr2000);
    }

    void radioClickChangesOnlyThePolicy() {
        OpenWindow w("Sur-Gard");
        // Edited fields stay unread: a radio click is no transfer, so nothing is refused.
        w.edit(kPortEdit)->setText("not a port");
        w.edit(kReceiverIpEdit)->setText("10.1.2.3");
        const int ids[] = {kNackAllRadio, kNackAllButHeartbeatsRadio, kCustomToAllRadio,
                           kCustomToAllButHeartbeatsRadio, kAckAllRadio};
        const int modes[] = {1, 2, 3, 4, 0};
        for (int i = 0; i < 5; ++i) {
            QTest::mouseClick(w.button(ids[i]), Qt::LeftButton);
            QCOMPARE(w.station().m_responseMode.load(), responseModeAt(modes[i]));
            QVERIFY(w.button(ids[i])->isChecked());
        }
        QVERIFY(w.prompts->isEmpty());
        QCOMPARE(w.station().m_port, 1025);
        QCOMPARE(w.station().m_receiverIp, std::string("127.0.0.1"));
    }

    void customResponseCopyFollowsTheField() {
        OpenWindow w("Sur-Gard");
        QTest::keyClicks(w.edit(kCustomResponseEdit), "65");
        QCOMPARE(w.station().customResponse(), std::string("65"));
        w.edit(kCustomResponseEdit)->setText(QString::fromUtf8("é"));
        QCOMPARE(w.station().customResponse(), std::string("\xE9"));
    }

    void showLogWithAValidSettingStoresTheSwitch() {
        OpenWindow w("Sur-Gard");
        QTest::mouseClick(w.button(kShowLogCheck), Qt::LeftButton);
        QCOMPARE(w.station().m_showLog.load(), 1);
        QTest::mouseClick(w.button(kShowLogCheck), Qt::LeftButton);
        QCOMPARE(w.station().m_showLog.load(), 0);
        QVERIFY(w.prompts->isEmpty());
    }

    void showLogWithAnInvalidPortIsRefused() {
        OpenWindow w("Sur-Gard");
        w.edit(kPortEdit)->setText("x1");
        QTest::mouseClick(w.button(kShowLogCheck), Qt::LeftButton);
        QCOMPARE(*w.prompts, QStringList{"Please enter an integer."});
        QCOMPARE(w.station().m_showLog.load(), 0);
        QVERIFY(w.button(kShowLogCheck)->isChecked());
        QCOMPARE(w.dlg->focusWidget(), w.edit(kPortEdit));
    }

    void enterInAFieldClosesOnlyWhenEverythingIsAccepted() {
        OpenWindow w("Sur-Gard");
        w.edit(kPortEdit)->setText("70000");
        QTest::keyClick(w.edit(kPortEdit), Qt::Key_Return);
        QCOMPARE(*w.prompts, QStringList{"Please enter an integer between 1 and 65535."});
        QVERIFY(w.dlg->isVisible());

        w.edit(kPortEdit)->setText("4000");
        QTest::keyClick(w.edit(kPortEdit), Qt::Key_Return);
        QVERIFY(!w.dlg->isVisible());
        QCOMPARE(w.dlg->result(), int(QDialog::Accepted));
        QCOMPARE(w.station().m_port, 4000);
    }

    void escapeClosesWithoutATransfer() {
        OpenWindow w("Sur-Gard");
        w.edit(kPortEdit)->setText("letters");
        QTest::keyClick(w.edit(kPortEdit), Qt::Key_Escape);
        QVERIFY(!w.dlg->isVisible());
        QCOMPARE(w.dlg->result(), int(QDialog::Rejected));
        QVERIFY(w.prompts->isEmpty());
        QCOMPARE(w.station().m_port, 1025);
    }

    void workerUpdatesArriveInOrderWithoutWaiting() {
        OpenWindow w("Sur-Gard");
        // A worker's request is queued; a later one from the UI thread must still win.
        std::thread worker([&] {
            w.coreWindow().linkChanged({LinkMode::Server, LinkState::Starting});
            w.coreWindow().linkChanged({LinkMode::Server, LinkState::Connected});
        });
        worker.join();
        QCOMPARE(w.text(kLinkStatusEdit), QString("TCP Disconnected"));  // not yet applied
        QVERIFY(w.combo(kModeCombo)->isEnabled());
        w.coreWindow().linkChanged({LinkMode::Server, LinkState::Listening, StopCause::None, true});
        QCOMPARE(w.text(kLinkStatusEdit), QString("TCP Client DisConnected"));
        QVERIFY(!w.combo(kModeCombo)->isEnabled());
        QCoreApplication::processEvents();
        QCOMPARE(w.text(kLinkStatusEdit), QString("TCP Client DisConnected"));
    }

    void floodOfRefreshesEndsShowingTheLatestView() {
        OpenWindow w("Sur-Gard");
        QTest::mouseClick(w.button(kShowLogCheck), Qt::LeftButton);
        w.station().m_linesToSave = 50000;
        std::thread worker([&] {
            for (int i = 0; i < 3000; ++i) {
                w.log().appendLogLine("2024/03/07 09:05:02",
                                      "  -  1011 @\x14 --> " + std::to_string(i) + "\r\n");
                w.log().updateLogView();
            }
        });
        worker.join();
        const QString expected = ui::logBytesToBoxText(w.log().logViewText());
        QTRY_COMPARE(w.logBox()->toPlainText(), expected);
        QVERIFY(expected.endsWith(QString::fromUtf8("\u2414 --> 2999\n")));
        // The operator's own edit is replaced by the next refresh.
        w.logBox()->appendPlainText("typed");
        w.log().appendLogLine("2024/03/07 09:05:03", "  -  Disconnected\r\n");
        w.log().updateLogView();
        QCOMPARE(w.logBox()->toPlainText(), ui::logBytesToBoxText(w.log().logViewText()));
    }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
