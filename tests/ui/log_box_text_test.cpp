// The log box shows log bytes and gives them back unchanged: CR LF as line breaks, other control
// bytes as visible symbols, high bytes as Latin-1.
#include <QPlainTextEdit>
#include <QTest>

#include "ui/log_box_text.h"

using corvane::ui::boxTextToLogBytes;
using corvane::ui::logBytesToBoxText;

class LogBoxTextTest : public QObject {
    Q_OBJECT

  private slots:
    void showsBytes_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("shown");
        QTest::newRow("CR LF breaks the line") << QByteArray("a\r\nb") << QString("a\nb");
        QTest::newRow("Sur-Gard terminator")
            << QByteArray("1011 @\x14 --> \r\n") << QString::fromUtf8("1011 @\u2414 --> \n");
        QTest::newRow("lone LF and CR of a frame")
            << QByteArray("\n0023\"NULL\"\r") << QString::fromUtf8("\u240A0023\"NULL\"\u240D");
        QTest::newRow("LF CR is no break")
            << QByteArray("\n\r") << QString::fromUtf8("\u240A\u240D");
        QTest::newRow("CR CR LF") << QByteArray("\r\r\n") << QString::fromUtf8("\u240D\n");
        QTest::newRow("NUL, tab, DEL")
            << QByteArray("\x00\t\x7F", 3) << QString::fromUtf8("\u2400\u2409\u2421");
        QTest::newRow("Latin-1") << QByteArray("\xE9\xFF\x80")
                                 << QString::fromUtf8("é\u00FF\u0080");
    }
    void showsBytes() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, shown);
        const std::string log(bytes.constData(), static_cast<std::size_t>(bytes.size()));
        QCOMPARE(logBytesToBoxText(log), shown);
        QCOMPARE(boxTextToLogBytes(shown), log);
    }

    void everyByteSurvivesTheBox() {
        // Every byte value, and every byte next to CR and LF, through a real log box.
        std::string log;
        for (int b = 0; b < 256; ++b) {
            log.push_back(static_cast<char>(b));
            log += "\r\n";
            log.push_back('\r');
            log.push_back(static_cast<char>(b));
            log.push_back('\n');
        }
        QPlainTextEdit box;
        box.setPlainText(logBytesToBoxText(log));
        QCOMPARE(boxTextToLogBytes(box.document()->toRawText()), log);
    }

    void typedTextBecomesLogBytes() {
        // Text the operator types: line breaks become CR LF, characters beyond Latin-1 '?'.
        QCOMPARE(boxTextToLogBytes(QString::fromUtf8("x\u2029y\u2028z")),
                 std::string("x\r\ny\r\nz"));
        QCOMPARE(boxTextToLogBytes(QString::fromUtf8("a€b\tc")), std::string("a?b\tc"));
    }
};

QTEST_MAIN(LogBoxTextTest)
#include "log_box_text_test.moc"
