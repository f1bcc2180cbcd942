// Saving the message records to a file the operator names, and what is left unsaved: the Messages
// window's Save... and the question asked when the window closes both go through here.
#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <memory>

#include "record/message_records.h"

class QWidget;

namespace corvane::ui {

class RecordSaving {
  public:
    // Asks for the file to write; empty when the operator cancels.
    using PathChooser = std::function<QString(QWidget* parent)>;
    // Tells the operator why the file could not be written.
    using Failure = std::function<void(QWidget* parent, const QString& error)>;

    explicit RecordSaving(std::shared_ptr<MessageRecords> records);

    MessageRecords& records() { return *m_records; }
    const std::shared_ptr<MessageRecords>& sharedRecords() const { return m_records; }

    // Records held that no save has written yet.
    std::uint64_t unsaved() const;

    // Writes every held record to `path` (CSV or JSON Lines by its name); empty or the error.
    QString saveTo(const QString& path);
    // Asks for a file and writes it; false when the operator cancelled or the write failed (the
    // failure was shown).
    bool saveAsked(QWidget* parent);

    // Test seams: replace the file dialog and the message box.
    void setPathChooser(PathChooser chooser) { m_choosePath = std::move(chooser); }
    void setFailure(Failure failure) { m_showFailure = std::move(failure); }

  private:
    std::shared_ptr<MessageRecords> m_records;
    std::uint64_t m_savedBefore = 0;  // every record below this sequence was written
    PathChooser m_choosePath;
    Failure m_showFailure;
};

}  // namespace corvane::ui
