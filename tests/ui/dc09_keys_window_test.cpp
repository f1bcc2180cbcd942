// The "DC-09 Keys" window: opened from the main window, keys masked, bad keys refused, a keys
// file loaded or refused whole, and every setting handed to the station.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QSpinBox>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <fstream>

#include "ui/dc09_keys_window.h"
#include "window_fixture.h"

using corvane::ui::Dc09KeysWindow;

class Dc09KeysWindowTest : public QObject {
    Q_OBJECT

    struct Opened {
        corvane::test::OpenWindow main{"SIA-DCS"};
        Dc09KeysWindow* keys = nullptr;
        QStringList refused;
        Opened() {
            QTest::mouseClick(main.dlg->toolButton("DC-09 Keys..."), Qt::LeftButton);
            keys = main.dlg->findChild<Dc09KeysWindow*>();
            keys->setRefusal([this](const QString& text) { refused.append(text); });
        }
        void add(const QString& account, const QString& key) {
            keys->accountField()->setText(account);
            keys->keyField()->setText(key);
            keys->addTypedKey();
        }
        QString cell(int row, int column) { return keys->table()->item(row, column)->text(); }
    };

  private slots:
    void opensOnceNonModalAndMasksKeys() {
        Opened w;
        QVERIFY(w.keys != nullptr);
        QCOMPARE(w.keys->windowTitle(), QString("DC-09 Keys"));
        QVERIFY(w.keys->isVisible() && !w.keys->isModal());
        w.main.dlg->toolButton("DC-09 Keys...")->click();
        QCOMPARE(w.main.dlg->findChildren<Dc09KeysWindow*>().size(), 1);

        w.add("1234", "000102030405060708090A0B0C0D0E0F");
        w.add("*", "AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA");
        QCOMPARE(w.keys->table()->rowCount(), 2);
        QCOMPARE(w.cell(0, 0), QString("*"));
        QCOMPARE(w.cell(0, 2), QString("hex, AES-128"));  // 32 hex digits: hexadecimal
        QCOMPARE(w.cell(1, 1), QString("********"));
        w.keys->showKeys()->setChecked(true);
        QCOMPARE(w.cell(1, 1), QString("000102030405060708090A0B0C0D0E0F"));
        QVERIFY(w.main.station().dc09().current()->keys.find("1234") != nullptr);
    }

    void refusesBadKeysAndBadFilesKeepingTheTable() {
        Opened w;
        w.add("1234", "short");
        w.add("12x4", "AAAAAAAAAAAAAAAA");
        QCOMPARE(w.refused.size(), 2);
        QVERIFY(w.refused[0].contains("16, 24 or 32 characters"));
        w.add("1234", "text:BBBBBBBBBBBBBBBBBBBBBBBB");
        QCOMPARE(w.cell(0, 2), QString("text, AES-192"));

        QTemporaryDir dir;
        const QString bad = dir.filePath("bad.txt");
        std::ofstream(bad.toStdString()) << "# keys\n5678,AAAAAAAAAAAAAAAA\n9999,abc\n";
        w.keys->loadFile(bad);
        QVERIFY(w.refused.last().startsWith("line 3: "));
        QCOMPARE(w.cell(0, 0), QString("1234"));
        const QString good = dir.filePath("good.txt");
        std::ofstream(good.toStdString())
            << "5678,AAAAAAAAAAAAAAAA\n*," << std::string(64, 'b') << "\n";
        w.keys->loadFile(good);
        QCOMPARE(w.keys->table()->rowCount(), 2);
        QCOMPARE(w.cell(0, 2), QString("hex, AES-256"));
        QCOMPARE(w.main.station().dc09().current()->keys.find("1234")->size(),
                 32U);  // only "*" now
    }

    void settingsReachTheStation() {
        Opened w;
        const auto defaults = w.main.station().dc09().current();
        QCOMPARE(int(defaults->undecryptable), int(corvane::UndecryptableAnswer::Duh));
        QCOMPARE(w.keys->undecryptableChoice()->currentIndex(), 1);  // the window shows it
        QVERIFY(!defaults->timeWindowOn && !defaults->dc09Words);
        w.keys->undecryptableChoice()->setCurrentIndex(2);
        w.keys->windowSwitch()->setChecked(true);
        w.keys->pastBound()->setValue(90);
        w.keys->wordsSwitch()->setChecked(true);
        const auto config = w.main.station().dc09().current();
        QCOMPARE(int(config->undecryptable), int(corvane::UndecryptableAnswer::Nak));
        QVERIFY(config->timeWindowOn && config->dc09Words);
        QCOMPARE(config->timeWindow.pastSeconds, 90);
        QCOMPARE(config->timeWindow.futureSeconds, 20);
    }
};

QTEST_MAIN(Dc09KeysWindowTest)
#include "dc09_keys_window_test.moc"
