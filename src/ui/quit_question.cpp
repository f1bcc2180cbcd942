#include "ui/quit_question.h"

#include <QLocale>
#include <QMessageBox>
#include <QPushButton>

namespace corvane::ui {

namespace {

QString whatIsLost(const RunInProgress& run) {
    const QString count = QLocale().toString(static_cast<qulonglong>(run.unsavedRecords));
    const QString records = run.unsavedRecords == 1
                                ? QStringLiteral("1 message record was never saved")
                                : QStringLiteral("%1 message records were never saved").arg(count);
    if (run.linkUp && run.unsavedRecords > 0) {
        return QStringLiteral(
                   "The link to the receiver is up, and %1. Quitting drops the link "
                   "and the records.")
            .arg(records);
    }
    if (run.linkUp) {
        return QStringLiteral("The link to the receiver is up. Quitting drops it.");
    }
    return records + QStringLiteral(". Quitting drops them.");
}

}  // namespace

std::unique_ptr<QMessageBox> makeQuitQuestion(const RunInProgress& run, QWidget* parent) {
    auto box = std::make_unique<QMessageBox>(parent);
    box->setIcon(QMessageBox::Warning);
    box->setWindowTitle(QStringLiteral("Quit Corvane"));
    box->setText(run.unsavedRecords > 0
                     ? QStringLiteral("Save the message records before quitting?")
                     : QStringLiteral("Quit while the link is up?"));
    box->setInformativeText(whatIsLost(run));
    QPushButton* save = box->addButton(QStringLiteral("&Save..."), QMessageBox::AcceptRole);
    box->addButton(QStringLiteral("&Quit without saving"), QMessageBox::DestructiveRole);
    QPushButton* cancel = box->addButton(QMessageBox::Cancel);
    save->setEnabled(run.unsavedRecords > 0);
    box->setDefaultButton(run.unsavedRecords > 0 ? save : cancel);
    box->setEscapeButton(cancel);
    return box;
}

QuitAnswer askToQuit(const RunInProgress& run, QWidget* parent) {
    const std::unique_ptr<QMessageBox> box = makeQuitQuestion(run, parent);
    box->exec();
    const QMessageBox::ButtonRole role = box->buttonRole(box->clickedButton());
    if (role == QMessageBox::AcceptRole) {
        return QuitAnswer::Save;
    }
    return role == QMessageBox::DestructiveRole ? QuitAnswer::QuitWithoutSaving
                                                : QuitAnswer::Cancel;
}

}  // namespace corvane::ui
