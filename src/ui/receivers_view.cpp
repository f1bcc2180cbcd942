#include "ui/receivers_view.h"

#include <QHeaderView>
#include <algorithm>

#include "ui/record_table_model.h"

namespace corvane::ui {

namespace {

// "CID 3, SIA 5": the non-zero counts only.
template <std::size_t N, class Name>
QString counts(const std::array<std::uint64_t, N>& byIndex, Name name) {
    QStringList parts;
    for (std::size_t i = 0; i < N; ++i) {
        if (byIndex[i] != 0) {
            parts << QString("%1 %2").arg(QString::fromLatin1(name(i))).arg(byIndex[i]);
        }
    }
    return parts.join(", ");
}

// "ACK 3, unsent 2 (connection lost), waiting 1".
QString answers(const AnswerCounts& answers) {
    QString text = counts(answers.byWord,
                          [](std::size_t i) { return answerWordName(static_cast<AnswerWord>(i)); });
    const auto add = [&](const QString& part) { text += (text.isEmpty() ? "" : ", ") + part; };
    if (answers.unsent() > 0) {
        add(QString("unsent %1 (%2)")
                .arg(answers.unsent())
                .arg(QString::fromStdString(unsentReasonsText(answers))));
    }
    if (answers.waiting > 0) {
        add(QString("waiting %1").arg(answers.waiting));
    }
    return text;
}

QString latency(std::int64_t us) {
    return us < 0 ? QString() : QString::number(us);
}

}  // namespace

ReceiversView::ReceiversView(const Tally& tally, QWidget* parent)
    : QTableWidget(parent), m_tally(tally) {
    setColumnCount(8);
    setHorizontalHeaderLabels({"Connection", "Peer", "Connected since / lost at", "Messages",
                               "Last message", "Answers", "p50 (us)", "p99 (us)"});
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    verticalHeader()->hide();
    horizontalHeader()->setStretchLastSection(true);
    setWordWrap(false);
    widenColumns();
}

void ReceiversView::widenColumns() {
    // Columns grow to what they hold (never shrink under the operator's hand); the last one
    // takes the rest of the width.
    for (int c = 0; c + 1 < columnCount(); ++c) {
        const int wanted = std::max(sizeHintForColumn(c), horizontalHeader()->sectionSizeHint(c));
        if (columnWidth(c) < wanted) {
            setColumnWidth(c, wanted);
        }
    }
}

void ReceiversView::refresh() {
    const std::vector<ReceiverRow> rows = m_tally.receivers();
    setRowCount(static_cast<int>(rows.size()));
    int r = 0;
    for (const ReceiverRow& row : rows) {
        QString state = row.lostUs != 0
                            ? "lost at " + RecordTableModel::localTime(row.lostUs)
                            : "connected since " + RecordTableModel::localTime(row.connectedUs);
        if (row.lostUs != 0 && row.lostBy != LinkLoss::None) {
            state += QString(" (%1)").arg(QString::fromLatin1(linkLossName(row.lostBy)));
        }
        const QStringList cells = {
            QString::number(row.connection),
            QString::fromStdString(row.peer),
            state,
            counts(row.byKind,
                   [](std::size_t i) { return messageKindName(static_cast<MessageKind>(i)); }),
            row.lastMessageUs == 0 ? QString() : RecordTableModel::localTime(row.lastMessageUs),
            answers(row.answers),
            latency(row.latency.percentile(0.50)),
            latency(row.latency.percentile(0.99))};
        for (int c = 0; c < cells.size(); ++c) {
            QTableWidgetItem* cell = item(r, c);
            if (cell == nullptr) {
                setItem(r, c, new QTableWidgetItem(cells[c]));
            } else if (cell->text() != cells[c]) {
                cell->setText(cells[c]);
            }
        }
        ++r;
    }
    widenColumns();
}

}  // namespace corvane::ui
