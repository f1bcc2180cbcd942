// The main window: its controls, the set-up for each protocol, the mode and receiver-type
// choices, the radio buttons, Show Log, Enter and Escape, and updates from worker threads.
#include <QApplication>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QStyle>
#include <QTemporaryDir>
#include <QTest>
#include <thread>
#include <vector>

#include "record/message_records.h"
#include "ui/control_table.h"
#include "ui/log_box_text.h"
#include "ui/record_saving.h"
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
        QCOMPARE(w.dlg->size(), units.toPixels(QSize(597, 345 + ui::kToolRowHeightDlu)));
        QCOMPARE(w.text(kConnectButton), QString("Connect"));
        QCOMPARE(w.text(kShowLogCheck), QString("Show Log"));
        QCOMPARE(w.text(kCustomToAllButHeartbeatsRadio),
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

    void resizingKeepsEveryCaptionWholeAndNothingOverlaps_data() {
        QTest::addColumn<QSize>("grow");  // added to the default size
        QTest::newRow("default") << QSize(0, 0);
        QTest::newRow("larger") << QSize(400, 300);
        QTest::newRow("minimum") << QSize(-10000, -10000);
        QTest::newRow("1080p at scale 2") << QSize(940 - 1123, 470 - 639);
    }
    void resizingKeepsEveryCaptionWholeAndNothingOverlaps() {
        QFETCH(QSize, grow);
        OpenWindow w("Sur-Gard");
        // The longest status text.
        w.coreWindow().linkChanged({LinkMode::Server, LinkState::Listening, StopCause::None, true});
        w.dlg->resize(w.dlg->defaultSize() + grow);
        std::vector<QWidget*> placed;
        for (QWidget* child : w.dlg->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            QVERIFY(w.dlg->rect().contains(child->geometry()));
            if (qobject_cast<QGroupBox*>(child) == nullptr) {
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
                QVERIFY(!placed[i]->geometry().intersects(placed[j]->geometry()));
            }
        }
        // The status box shows its whole text: its margins and frame around the text.
        QLineEdit* status = w.edit(kLinkStatusEdit);
        QVERIFY(status->width() >=
                status->fontMetrics().horizontalAdvance(status->text()) + 2 * 2 +
                    2 * status->style()->pixelMetric(QStyle::PM_DefaultFrameWidth));
    }

    void theLogGrowsWithTheWindowAndControlsKeepTheirPlacesAroundIt() {
        OpenWindow w("Sur-Gard");
        const auto place = [&](int id) { return w.dlg->control(id)->geometry(); };
        const QRect log = place(kLogBox);
        const QRect ip = place(kReceiverIpEdit);
        const QRect connect = place(kConnectButton);
        const QRect ack = place(kAckAllRadio);
        const QSize grow(300, 200);
        w.dlg->resize(w.dlg->size() + grow);
        QCOMPARE(place(kLogBox), log.adjusted(0, 0, grow.width(), grow.height()));
        QCOMPARE(place(kReceiverIpEdit), ip);
        QCOMPARE(place(kConnectButton), connect.translated(grow.width(), 0));
        QCOMPARE(place(kAckAllRadio), ack.translated(0, grow.height()));
        // Small enough for 1366x768 at scale 1 and 1920x1080 at scale 2, title bar included.
        QVERIFY(w.dlg->minimumWidth() <= 940 && w.dlg->minimumHeight() <= 480);
    }

    void tabRunsInReadingOrderAndLeavesReadOnlyFieldsOut() {
        OpenWindow w("Sur-Gard");
        std::vector<QWidget*> expected;
        for (const int id : {kModeCombo, kConnectButton, kReceiverIpEdit, kLinesToSaveEdit,
                             kReceiverTypeCombo, kPortEdit, kHeartbeatIntervalEdit, kShowLogCheck,
                             kLogBox, kAckAllRadio, kCustomResponseEdit}) {
            expected.push_back(w.dlg->control(id));
        }
        // DC-09 Keys... is disabled under Sur-Gard, so Tab passes it by.
        for (const char* caption : {"Answer Script...", "Messages..."}) {
            expected.push_back(w.dlg->toolButton(caption));
        }
        QVERIFY(QTest::qWaitForWindowActive(w.dlg.get()));
        expected.front()->setFocus();
        std::vector<QWidget*> order{QApplication::focusWidget()};
        for (std::size_t i = 1; i < expected.size(); ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            order.push_back(QApplication::focusWidget());
        }
        QCOMPARE(order, expected);
        QVERIFY(qobject_cast<QPlainTextEdit*>(w.dlg->control(kLogBox))->tabChangesFocus());

        // The arrow keys choose among the radio buttons, as a click does.
        w.dlg->control(kAckAllRadio)->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
        QCOMPARE(responseModePlace(w.station().m_responseMode.load()), 1);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Right);
        QVERIFY(w.button(kCustomToAllRadio)->isChecked() ||
                w.button(kCustomToAllButHeartbeatsRadio)->isChecked());
        QVERIFY(responseModePlace(w.station().m_responseMode.load()) >= 3);
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
        QVERIFY(!w.edit(kBindAddressEdit)->isEnabled());
        QVERIFY(!w.edit(kBindAddressEdit)->toolTip().isEmpty());
        w.choose(kModeCombo, "Server");
        QCOMPARE(w.station().m_mode, LinkMode::Server);
        QVERIFY(!w.edit(kReceiverIpEdit)->isEnabled());
        QVERIFY(w.edit(kBindAddressEdit)->isEnabled());
        QCOMPARE(w.text(kConnectButton), QString("Start"));
        w.edit(kBindAddressEdit)->setText(" ::1 ");
        QVERIFY(w.coreWindow().saveTransfer());
        QCOMPARE(w.station().m_bindAddress, std::string("::1"));
        w.choose(kModeCombo, "Client");
        QCOMPARE(w.station().m_mode, LinkMode::Client);
        QVERIFY(w.edit(kReceiverIpEdit)->isEnabled());
        QVERIFY(!w.edit(kBindAddressEdit)->isEnabled());
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

    void enterAndEscapeNeverCloseTheWindow() {
        OpenWindow w("Sur-Gard");
        // Enter in a field reads the settings back: a refused one is reported at once.
        w.edit(kPortEdit)->setText("70000");
        QTest::keyClick(w.edit(kPortEdit), Qt::Key_Return);
        QCOMPARE(*w.prompts, QStringList{"Please enter an integer between 1 and 65535."});
        w.edit(kPortEdit)->setText("4000");
        QTest::keyClick(w.edit(kPortEdit), Qt::Key_Enter, Qt::KeypadModifier);
        QCOMPARE(w.station().m_port, 4000);
        QTest::keyClick(w.edit(kPortEdit), Qt::Key_Escape);
        QTest::keyClick(w.dlg.get(), Qt::Key_Escape);
        QVERIFY(w.dlg->isVisible());
        QCOMPARE(w.prompts->size(), 1);
    }

    void closingAsksWhileARunIsInProgress_data() {
        QTest::addColumn<int>("records");
        QTest::addColumn<int>("answer");  // ui::QuitAnswer
        QTest::addColumn<QString>("savedTo");
        QTest::addColumn<bool>("closes");
        const int save = int(ui::QuitAnswer::Save);
        QTest::newRow("nothing to lose: no question") << 0 << -1 << "" << true;
        QTest::newRow("cancel") << 3 << int(ui::QuitAnswer::Cancel) << "" << false;
        QTest::newRow("quit without saving")
            << 3 << int(ui::QuitAnswer::QuitWithoutSaving) << "" << true;
        QTest::newRow("save") << 3 << save << "records.csv" << true;
        QTest::newRow("save cancelled") << 3 << save << "" << false;
        QTest::newRow("save failed") << 3 << save << "none/records.csv" << false;
    }
    void closingAsksWhileARunIsInProgress() {
        QFETCH(int, records);
        QFETCH(int, answer);
        QFETCH(QString, savedTo);
        QFETCH(bool, closes);
        OpenWindow w("Sur-Gard");
        std::vector<MessageRecord> batch(static_cast<std::size_t>(records));
        w.station().records().append(batch);
        int asked = 0;
        w.dlg->setQuitQuestion([&](const ui::RunInProgress& run) {
            asked += run.unsavedRecords == static_cast<std::uint64_t>(records) ? 1 : 100;
            return static_cast<ui::QuitAnswer>(answer);
        });
        QTemporaryDir dir;
        const QString path = savedTo.isEmpty() ? QString() : dir.filePath(savedTo);
        w.dlg->recordSaving().setPathChooser([&](QWidget*) { return path; });
        QStringList failures;
        w.dlg->recordSaving().setFailure([&](QWidget*, const QString& e) { failures << e; });
        QCOMPARE(w.dlg->close(), closes);
        QCOMPARE(w.dlg->isVisible(), !closes);
        QCOMPARE(asked, answer < 0 ? 0 : 1);
        QCOMPARE(QFile::exists(path), closes && !path.isEmpty());
        QCOMPARE(failures.size(), savedTo.startsWith("none") ? 1 : 0);
        if (answer == int(ui::QuitAnswer::Save) && closes) {
            QCOMPARE(w.dlg->runInProgress().unsavedRecords, 0U);  // a second close asks nothing
        }
    }

    // Closing asks while the link listens or is connected, from the state the core reported.
    void theLinkIsUpFromListeningOrConnectedUntilStopped() {
        OpenWindow w("Sur-Gard");
        QVERIFY(!w.dlg->runInProgress().linkUp);
        const std::pair<LinkState, bool> steps[] = {
            {LinkState::Starting, false}, {LinkState::Listening, true},
            {LinkState::Connected, true}, {LinkState::Stopped, false},
            {LinkState::Connected, true}, {LinkState::Stopped, false}};
        for (const auto& [state, up] : steps) {
            w.coreWindow().linkChanged({LinkMode::Server, state});
            QCOMPARE(w.dlg->runInProgress().linkUp, up);
        }
    }

    void siaDcsLabelsTheCustomResponseAsTextAndKeepsTheDc09Keys() {
        for (const char* protocol : {"Sur-Gard", "SIA-DCS"}) {
            OpenWindow w(protocol);
            const bool sia = QString(protocol) == "SIA-DCS";
            QLabel* custom = nullptr;
            for (QLabel* each : w.dlg->findChildren<QLabel*>()) {
                if (each->buddy() == w.dlg->control(kCustomResponseEdit)) {
                    custom = each;
                }
            }
            QCOMPARE(ui::withoutMnemonic(custom->text()),
                     sia ? QString("Custom Response (text)")
                         : QString("Custom Response (ASCII in decimal)"));
            QPushButton* keys = w.dlg->toolButton("DC-09 Keys...");
            QCOMPARE(keys->isEnabled(), sia);
            QCOMPARE(keys->toolTip().contains("Sur-Gard"), !sia);
        }
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
