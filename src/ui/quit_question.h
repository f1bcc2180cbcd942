// The question asked before the main window closes while a run is in progress: a link is up, or
// records were never saved. It offers what a capture tool offers: save first, quit anyway, or stay.
#pragma once

#include <QString>
#include <cstdint>
#include <memory>

class QMessageBox;
class QWidget;

namespace corvane::ui {

struct RunInProgress {
    bool linkUp = false;
    std::uint64_t unsavedRecords = 0;

    bool any() const { return linkUp || unsavedRecords > 0; }
};

enum class QuitAnswer { Save, QuitWithoutSaving, Cancel };

// "Save..." (the default, Enter), "Quit without saving" and "Cancel" (Escape), each with its
// mnemonic. Save... is disabled when there is nothing to save.
std::unique_ptr<QMessageBox> makeQuitQuestion(const RunInProgress& run, QWidget* parent);
// Asks modally and returns the answer.
QuitAnswer askToQuit(const RunInProgress& run, QWidget* parent);

}  // namespace corvane::ui
