// The Remote Control window: started from its button on a port typed in, a change through the
// control API shows in the radio buttons, the custom field and the Answer Script window, and the
// service stops with its window.
#include <httplib.h>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTcpServer>
#include <QTest>

#include "ui/answer_script_window.h"
#include "ui/dc09_keys_window.h"
#include "ui/remote_control_window.h"
#include "ui/tool_windows.h"
#include "window_fixture.h"

using corvane::test::OpenWindow;
using namespace corvane;

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
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost));
        const int port = probe.serverPort();
        probe.close();
        window->controlEdit()->setText(QString::number(port));
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
};

QTEST_MAIN(RemoteControlWindowTest)
#include "remote_control_window_test.moc"
