#include "ui/record_saving.h"

#include <QFileDialog>
#include <QMessageBox>
#include <algorithm>

#include "record/record_export.h"

namespace corvane::ui {

RecordSaving::RecordSaving(std::shared_ptr<MessageRecords> records)
    : m_records(std::move(records)),
      m_choosePath([](QWidget* parent) {
          return QFileDialog::getSaveFileName(parent, QStringLiteral("Save records"),
                                              QStringLiteral("messages.csv"),
                                              QStringLiteral("CSV (*.csv);;JSON Lines (*.jsonl)"));
      }),
      m_showFailure([](QWidget* parent, const QString& error) {
          QMessageBox::warning(parent, QStringLiteral("Save records"), error);
      }) {}

std::uint64_t RecordSaving::unsaved() const {
    const MessageRecords::Span span = m_records->span();
    const std::uint64_t from = std::max(span.first, m_savedBefore);
    return span.next > from ? span.next - from : 0;
}

QString RecordSaving::saveTo(const QString& path) {
    // Records that arrive while the file is written may miss it: only those held before count
    // as saved.
    const std::uint64_t heldBefore = m_records->span().next;
    const Result<void> written = exportRecords(*m_records, path.toStdString());
    if (!written) {
        return QString::fromStdString(written.error().why);
    }
    m_savedBefore = std::max(m_savedBefore, heldBefore);
    return {};
}

bool RecordSaving::saveAsked(QWidget* parent) {
    const QString path = m_choosePath(parent);
    if (path.isEmpty()) {
        return false;
    }
    const QString error = saveTo(path);
    if (!error.isEmpty()) {
        m_showFailure(parent, error);
        return false;
    }
    return true;
}

}  // namespace corvane::ui
