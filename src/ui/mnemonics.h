// Keyboard mnemonics: Alt and the underlined letter presses a button or moves to the field a
// label names. The captions stay as they are; only the letter is marked.
#pragma once

#include <QString>

namespace corvane::ui {

// The caption with its mnemonic letter marked ("Connect" gives "&Connect"); a caption without a
// mnemonic comes back unchanged.
QString withMnemonic(const QString& caption);

// The caption as the operator reads it: the marks taken out again.
QString withoutMnemonic(QString caption);

}  // namespace corvane::ui
