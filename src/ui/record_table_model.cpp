#include "ui/record_table_model.h"

#include <QDateTime>
#include <algorithm>
#include <vector>

#include "record/record_text.h"

namespace corvane::ui {

namespace {

// Records are matched in chunks so a refilter never holds the ring's lock for long.
constexpr std::uint64_t kChunk = 8192;

QString receiverText(const MessageRecord& record) {
    return QString::fromStdString(record.peer) + " #" + QString::number(record.connection);
}

}  // namespace

bool RecordFilter::matches(const MessageRecord& record) const {
    if (kind && record.kind != *kind) {
        return false;
    }
    if (!receiver.isEmpty() && !receiverText(record).contains(receiver, Qt::CaseInsensitive)) {
        return false;
    }
    if (!text.isEmpty()) {
        const QString raw = QString::fromStdString(escapedText(record.raw));
        const QString clear = QString::fromStdString(escapedText(record.clearText));
        const QString description = QString::fromStdString(escapedText(record.description));
        return raw.contains(text, Qt::CaseInsensitive) ||
               clear.contains(text, Qt::CaseInsensitive) ||
               description.contains(text, Qt::CaseInsensitive);
    }
    return true;
}

RecordTableModel::RecordTableModel(const MessageRecords& records, QObject* parent)
    : QAbstractTableModel(parent), m_records(records) {
    refresh();
}

int RecordTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int RecordTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : Count;
}

QVariant RecordTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal) {
        return {};
    }
    static const char* const names[] = {"#",       "Time",        "Receiver", "Kind",
                                        "Message", "Description", "Answer",   "Latency (us)"};
    return section >= 0 && section < Count ? QString(names[section]) : QVariant();
}

QString RecordTableModel::localTime(std::int64_t receivedUs) {
    return QDateTime::fromMSecsSinceEpoch(receivedUs / 1000)
        .toLocalTime()
        .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
}

QString RecordTableModel::cell(const MessageRecord& r, int column) const {
    switch (column) {
        case Sequence:
            return QString::number(r.sequence);
        case Time:
            return localTime(r.receivedUs);
        case Receiver:
            return receiverText(r);
        case Kind:
            return QString::fromLatin1(messageKindName(r.kind));
        case Message:
            return QString::fromStdString(escapedText(r.raw.substr(0, 512)));
        case Description:
            return QString::fromStdString(escapedText(r.description));
        case Answer:
            return QString::fromStdString(answerOutcomeText(r));
        case Latency:
            return r.latencyUs < 0 ? QString() : QString::number(r.latencyUs);
        default:
            return {};
    }
}

QVariant RecordTableModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid()) {
        return {};
    }
    QString text;
    m_records.visit(sequenceAt(index.row()),
                    [&](const MessageRecord& r) { text = cell(r, index.column()); });
    return text;
}

std::uint64_t RecordTableModel::sequenceAt(int row) const {
    return row >= 0 && static_cast<std::size_t>(row) < m_rows.size()
               ? m_rows[static_cast<std::size_t>(row)]
               : 0;
}

QString RecordTableModel::rowText(int row) const {
    QStringList cells;
    m_records.visit(sequenceAt(row), [&](const MessageRecord& r) {
        for (int c = 0; c < Count; ++c) {
            cells << cell(r, c);
        }
    });
    return cells.join('\t');
}

void RecordTableModel::refresh() {
    const MessageRecords::Span span = m_records.span();
    // Rows whose records left the ring go in one removal at the top.
    const auto kept = std::lower_bound(m_rows.begin(), m_rows.end(), span.first);
    if (kept != m_rows.begin()) {
        const int gone = static_cast<int>(kept - m_rows.begin());
        beginRemoveRows({}, 0, gone - 1);
        m_rows.erase(m_rows.begin(), kept);
        endRemoveRows();
    }
    std::vector<std::uint64_t> fresh;
    for (std::uint64_t from = std::max(m_seen, span.first); from < span.next; from += kChunk) {
        m_records.visitRange(from, std::min(span.next, from + kChunk), [&](const MessageRecord& r) {
            if (m_filter.matches(r)) {
                fresh.push_back(r.sequence);
            }
        });
    }
    m_seen = span.next;
    if (!fresh.empty()) {
        const int first = static_cast<int>(m_rows.size());
        beginInsertRows({}, first, first + static_cast<int>(fresh.size()) - 1);
        m_rows.insert(m_rows.end(), fresh.begin(), fresh.end());
        endInsertRows();
    }
}

void RecordTableModel::setFilter(RecordFilter filter) {
    beginResetModel();
    m_filter = std::move(filter);
    m_rows.clear();
    m_seen = 1;
    endResetModel();
    refresh();
}

}  // namespace corvane::ui
