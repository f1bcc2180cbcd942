// Reading an integer field the way the dialog's transfer does.
#pragma once

#include <QString>
#include <optional>

namespace corvane::ui {

// A signed decimal integer, with blanks allowed around it; nothing when the text is anything else
// or does not fit a 32-bit int.
std::optional<int> parseDialogInteger(const QString& text);

}  // namespace corvane::ui
