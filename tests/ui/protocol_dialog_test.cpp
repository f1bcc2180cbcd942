// The protocol question and the About box.
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "ui/about_dlg.h"
#include "ui/protocol_dlg.h"
#include "window_fixture.h"

class ProtocolDialogTest : public QObject {
    Q_OBJECT

  private slots:
    void offersSurGardFirst() {
        CProtocolDlg dialog;
        QCOMPARE(dialog.windowTitle(), QString("Automation"));
        QComboBox* list = dialog.protocolCombo();
        QCOMPARE(list->count(), 2);
        QCOMPARE(list->itemText(0), QString("Sur-Gard"));
        QCOMPARE(list->itemText(1), QString("SIA-DCS"));
        QCOMPARE(list->currentIndex(), 0);
        QVERIFY(!list->isEditable());
        QVERIFY(dialog.okButton()->isDefault());
        QCOMPARE(dialog.cancelButton()->text(), QString("Cancel"));
        QVERIFY(dialog.findChild<QLabel*>() != nullptr);
        QCOMPARE(dialog.findChild<QLabel*>()->text(), QString("Protocol:"));
    }

    void okTakesTheSelectedEntry_data() {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("protocol");
        QTest::newRow("unchanged") << 0 << "Sur-Gard";
        QTest::newRow("second entry") << 1 << "SIA-DCS";
    }
    void okTakesTheSelectedEntry() {
        QFETCH(int, index);
        QFETCH(QString, protocol);
        CProtocolDlg dialog;
        dialog.show();
        dialog.protocolCombo()->setCurrentIndex(index);
        QTest::mouseClick(dialog.okButton(), Qt::LeftButton);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.selectedProtocol(), protocol);
    }

    void enterIsOk() {
        CProtocolDlg dialog;
        dialog.show();
        QTest::keyClick(dialog.protocolCombo(), Qt::Key_Return);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.selectedProtocol(), QString("Sur-Gard"));
    }

    void cancelAndEscapeChooseNothing() {
        CProtocolDlg clicked;
        clicked.show();
        QTest::mouseClick(clicked.cancelButton(), Qt::LeftButton);
        QCOMPARE(clicked.result(), int(QDialog::Rejected));
        QVERIFY(clicked.selectedProtocol().isEmpty());

        CProtocolDlg escaped;
        escaped.show();
        QTest::keyClick(&escaped, Qt::Key_Escape);
        QCOMPARE(escaped.result(), int(QDialog::Rejected));
        QVERIFY(escaped.selectedProtocol().isEmpty());

        // Enter presses the button that has the focus: on Cancel it cancels.
        CProtocolDlg entered;
        entered.show();
        entered.cancelButton()->setFocus();
        QTest::keyClick(entered.cancelButton(), Qt::Key_Return);
        QCOMPARE(entered.result(), int(QDialog::Rejected));
        QVERIFY(entered.selectedProtocol().isEmpty());
    }

    void cancelledQuestionLeavesTheWindowUnset() {
        CCorvaneDlg dlg;
        QVERIFY(!dlg.initialise([] { return std::optional<QString>(); }));
        QCOMPARE(dlg.windowTitle(), QString("Automation"));
        QVERIFY(dlg.station().m_protocol == corvane::Protocol::None);
    }

    void aboutBoxOpensFromF1AndTheContextMenu() {
        corvane::test::OpenWindow w("Sur-Gard");
        QVERIFY(QTest::qWaitForWindowActive(w.dlg.get()));
        QString seenTitle;
        QString seenText;
        // The About box is modal: look at it and close it from inside its own event loop.
        QTimer::singleShot(0, [&] {
            auto* about = qobject_cast<CAboutDlg*>(QApplication::activeModalWidget());
            QVERIFY(about != nullptr);
            seenTitle = about->windowTitle();
            for (const QLabel* label : about->findChildren<QLabel*>()) {
                seenText += label->text();
            }
            about->accept();
        });
        QTest::keyClick(w.dlg.get(), Qt::Key_F1);
        QCOMPARE(seenTitle, QString("About Corvane"));
        for (const char* part : {"1.0.0.1", "Apache License", "Qt 6.", "OpenSSL ", "corvane.log"}) {
            QVERIFY2(seenText.contains(part), part);
        }

        // The same entry is the window's context menu action.
        const QList<QAction*> actions = w.dlg->actions();
        QCOMPARE(actions.size(), 1);
        QCOMPARE(actions[0]->text(), QString("&About Corvane..."));
    }
};

QTEST_MAIN(ProtocolDialogTest)
#include "protocol_dialog_test.moc"
