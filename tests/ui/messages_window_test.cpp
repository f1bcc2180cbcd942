// The Messages window: one insert per tick however many records came, following unless scrolled
// away, filters, details, copy, a failed save that keeps the records, and the tool button.
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>

#include "protocol/parse_line.h"
#include "record/message_records.h"
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
};

QTEST_MAIN(MessagesWindowTest)
#include "messages_window_test.moc"
