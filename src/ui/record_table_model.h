// The records as a table for the Messages window. Rows are sequence numbers of the records that
// pass the filter; cells are read from the ring when the view asks. refresh() runs once per timer
// tick and announces all new rows in one insert (and rows that left the ring in one removal),
// never once per message.
#pragma once

#include <QAbstractTableModel>
#include <QString>
#include <deque>
#include <optional>

#include "record/message_records.h"

namespace corvane::ui {

struct RecordFilter {
    std::optional<MessageKind> kind;  // none: every kind
    QString receiver;                 // part of "peer #connection", empty: every receiver
    QString text;                     // part of the raw text or description, case-insensitive
    bool matches(const MessageRecord& record) const;
};

class RecordTableModel : public QAbstractTableModel {
    Q_OBJECT

  public:
    enum Column { Sequence, Time, Receiver, Kind, Message, Description, Answer, Latency, Count };

    explicit RecordTableModel(const MessageRecords& records, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // Takes in the records added since the last call and drops those that left the ring.
    void refresh();
    void setFilter(RecordFilter filter);
    // The record sequence of a row; 0 when out of range.
    std::uint64_t sequenceAt(int row) const;
    // One row's cells joined by tabs (for copying).
    QString rowText(int row) const;

    static QString localTime(std::int64_t receivedUs);

  private:
    QString cell(const MessageRecord& record, int column) const;

    const MessageRecords& m_records;
    RecordFilter m_filter;
    std::deque<std::uint64_t> m_rows;  // sequences, ascending
    std::uint64_t m_seen = 1;          // the next sequence refresh() looks at
};

}  // namespace corvane::ui
