// The Answer Script window: opened from its button, examples, the switch with its log lines, a
// refused script that leaves the answers in force, and the live steps.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>

#include "ui/answer_script_window.h"
#include "ui/tool_windows.h"
#include "window_fixture.h"

using corvane::test::OpenWindow;
using corvane::ui::AnswerScriptWindow;
using namespace corvane;

class AnswerScriptWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void switchStartsAndStopsTheScript() {
        OpenWindow w("Sur-Gard");
        QTest::mouseClick(w.dlg->toolButton("Answer Script..."), Qt::LeftButton);
        auto* window = w.dlg->findChild<AnswerScriptWindow*>();
        QVERIFY(window != nullptr && window->isVisible() && !window->isModal());
        QTest::mouseClick(w.dlg->toolButton("Answer Script..."), Qt::LeftButton);
        QCOMPARE(w.dlg->findChildren<AnswerScriptWindow*>().size(), 1);

        // A ready example fills the field.
        window->examples()->setCurrentIndex(1);
        Q_EMIT window->examples()->activated(1);
        QCOMPARE(window->mainScriptEdit()->text(), QString("NACK*3, ACK"));
        window->scriptSwitch()->setChecked(true);
        QVERIFY(w.station().answerScripts().enabled());
        QVERIFY(w.log().logText().find("  -  Answer script started: NACK*3, ACK\r\n") !=
                std::string::npos);

        // A refused script names position and reason; the running one stays.
        window->mainScriptEdit()->setText("ACK, NAK");
        window->findChild<QPushButton*>()->click();
        QCOMPARE(window->errorLabel()->text(),
                 QString("Main script, position 6: \"NAK\" is a SIA-DCS answer (the answers in "
                         "force are unchanged)"));
        QCOMPARE(w.station().answerScripts().current()->mainText, std::string("NACK*3, ACK"));

        window->scriptSwitch()->setChecked(false);
        QVERIFY(!w.station().answerScripts().enabled());
        QVERIFY(w.log().logText().ends_with("  -  Answer script stopped\r\n"));
        // Switching on with a refused script leaves the radio buttons answering.
        window->scriptSwitch()->setChecked(true);
        QVERIFY(!window->scriptSwitch()->isChecked() && !w.station().answerScripts().enabled());
    }

    void showsTheStepOfEachReceiverAndSetsReconnect() {
        OpenWindow w("Sur-Gard");
        corvane::ui::openAnswerScriptWindow(*w.dlg);
        auto* window = w.dlg->findChild<AnswerScriptWindow*>();
        w.station().answerScripts().noteStep(7, "10.0.0.5:4000", "step 2 of 4: NACK");
        QTRY_COMPARE(window->receiverSteps()->count(), 1);
        QCOMPARE(window->receiverSteps()->item(0)->text(),
                 QString("#7 10.0.0.5:4000  step 2 of 4: NACK"));
        w.station().answerScripts().forget(7);
        QTRY_COMPARE(window->receiverSteps()->count(), 0);
        QCOMPARE(window->reconnectSeconds()->text(), QString("off"));
        window->reconnectSeconds()->setValue(5);
        QCOMPARE(w.station().m_reconnectSeconds.load(), 5);
    }
};

QTEST_MAIN(AnswerScriptWindowTest)
#include "answer_script_window_test.moc"
