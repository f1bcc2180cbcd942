// The Messages window: one insert per tick however many records came, following unless scrolled
// away, filters, details, copy, a failed save that keeps the records, and the tool button.
#include <QApplication>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>

#include "protocol/parse_line.h"
#include "record/message_records.h"
#include "ui/live_chart.h"
#include "ui/messages_window.h"
#include "ui/record_table_model.h"
#include "ui/tool_windows.h"
#include "window_fixture.h"

using corvane::test::OpenWindow;
using namespace corvane;

namespace {

// Records of `raw`, decoded as the worker would have decoded `decodedFrom`.
void addRecords(MessageRecords& records, int count, const std::string& raw,
                const std::string& decodedFrom = {}) {
    const Decoded decoded = decodeMessage(decodedFrom.empty() ? raw : decodedFrom,
                                          Protocol::SurGard, ReceiverType::Mlr2000);
    std::vector<MessageRecord> batch;
    for (int i = 0; i < count; ++i) {
        MessageRecord r;
        keepDecoded(r, Decoded(decoded));
        r.raw = raw;
        r.connection = 1;
        r.peer = "127.0.0.1:4000";
        batch.push_back(std::move(r));
    }
    records.append(batch);
}

constexpr std::int64_t kSecondUs = 1'000'000;

}  // namespace

class MessagesWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void window() {
        OpenWindow open("Sur-Gard");
        MessageRecords& records = open.station().records();
        addRecords(records, 5, "1011  @\x14");
        open.dlg->toolButton("Messages...")->click();
        auto* messages = open.dlg->findChild<ui::MessagesWindow*>("MessagesWindow");
        QVERIFY(messages != nullptr && messages->isVisible());
        ui::openMessagesWindow(*open.dlg);
        QCOMPARE(open.dlg->findChildren<ui::MessagesWindow*>().size(), 1);
        QCOMPARE(messages->model().rowCount(), 5);

        // 3,000 new records: one insert announcement, and the view follows them.
        QSignalSpy inserted(&messages->model(), &QAbstractItemModel::rowsInserted);
        addRecords(records, 1000, "501001 181234113001015\x14");
        addRecords(records, 2000, std::string("S\0[#1|NBA01]\x14", 13), "S[#1|NBA01]\x14");
        messages->tick();
        QCOMPARE(inserted.count(), 1);
        QCOMPARE(messages->model().rowCount(), 3005);
        QScrollBar* bar = messages->table().verticalScrollBar();
        QCOMPARE(bar->value(), bar->maximum());

        // Scrolled away, it stays where the operator put it.
        bar->setValue(0);
        addRecords(records, 50, "501001 181234113001015\x14");
        messages->tick();
        QCOMPARE(bar->value(), 0);

        messages->setKindFilter(1 + static_cast<int>(MessageKind::Cid));
        QCOMPARE(messages->model().rowCount(), 1050);
        messages->setKindFilter(0);
        messages->setTextFilter("nba01");
        QCOMPARE(messages->model().rowCount(), 2000);

        messages->table().selectRow(0);
        QVERIFY(messages->details().toPlainText().contains("53 00 5B 23"));
        QVERIFY(messages->details().toPlainText().contains("BA Burglary Alarm, zone 01"));
        messages->table().selectRow(1);
        QCOMPARE(messages->copySelection().count('\t'), ui::RecordTableModel::Count - 1);

        const QString error = messages->saveTo("/proc/self/none/x.csv");
        QVERIFY(error.startsWith("Cannot write /proc/self/none/x.csv: "));
        QCOMPARE(records.span().size(), 3055U);

        messages->setLimit(1000);  // the newest 1000: 950 SIA events and the 50 later CIDs
        QCOMPARE(records.span().size(), 1000U);
        QCOMPARE(messages->model().rowCount(), 950);
    }

    void followsFromTheStart() {
        OpenWindow open("Sur-Gard");
        addRecords(open.station().records(), 500, "1011  @\x14");
        ui::openMessagesWindow(*open.dlg);
        auto* messages = open.dlg->findChild<ui::MessagesWindow*>("MessagesWindow");
        QScrollBar* bar = messages->table().verticalScrollBar();
        QTRY_VERIFY(bar->maximum() > 0);
        QCOMPARE(bar->value(), bar->maximum());
        addRecords(open.station().records(), 100, "5");
        messages->tick();
        QTRY_COMPARE(bar->value(), bar->maximum());
        QVERIFY(messages->following());
    }

    // A steady 10 messages a second that reach the tally late and in batches, sampled by a
    // timer that is never exactly on the second: every second the chart draws holds 10.
    void chartDrawsNoDipThatDidNotHappen() {
        Tally tally;
        const std::int64_t start = 1'700'000'000 * kSecondUs;
        ui::LiveChart chart(tally);
        chart.backfill(start);
        std::int64_t countedUpTo = start;
        for (int tick = 1; tick <= 40; ++tick) {
            const std::int64_t now = start + tick * 250'000 + (tick % 3) * 40'000;
            for (; countedUpTo + 100'000 <= now - 180'000; countedUpTo += 100'000) {
                tally.message(1, "127.0.0.1:4000", countedUpTo, MessageKind::Cid, AnswerWord::Ack,
                              Delivery{});
            }
            if (tick % 4 == tick % 3) {
                continue;  // the timer runs late now and then
            }
            chart.sample(now);
            const std::vector<ui::LiveChart::Point>& points = chart.points();
            const std::int64_t newest = (now - ui::LiveChart::kSettleUs) / kSecondUs - 1;
            for (std::int64_t second = start / kSecondUs; second <= newest; ++second) {
                const auto at = points.size() - 1 - static_cast<std::size_t>(newest - second);
                QCOMPARE(points[at].messages, 10.0);
            }
        }
    }

    void everyToolWindowClosesWithEscape() {
        OpenWindow open("SIA-DCS");
        for (const ui::ToolWindowEntry& entry : ui::toolWindows()) {
            entry.open(*open.dlg);
            QWidget* tool = nullptr;
            for (QWidget* child : open.dlg->findChildren<QWidget*>()) {
                tool = child->isWindow() && child->isVisible() ? child : tool;
            }
            QVERIFY2(tool != nullptr && QTest::qWaitForWindowActive(tool), entry.caption);
            QWidget* focus = QApplication::focusWidget();
            QTest::keyClick(focus != nullptr ? focus : tool, Qt::Key_Escape);
            QVERIFY2(!tool->isVisible(), entry.caption);
        }
        QVERIFY(open.dlg->isVisible());
    }
};

QTEST_MAIN(MessagesWindowTest)
#include "messages_window_test.moc"
