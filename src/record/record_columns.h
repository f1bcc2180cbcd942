// The columns of a records export, in order; CSV and JSON Lines use the same names.
// "clear_text" (an encrypted frame's decrypted clear text, escaped like "raw_text") came after the
// first exports: a file without it still reads. "answer_word" is what left on the wire (the word,
// "unsent" or "waiting"); "planned_word" the word the policy or the script chose, and
// "unsent_reason" why an unsent answer never left; both came later still.
#pragma once

#include <string>
#include <vector>

namespace corvane {

extern const std::vector<std::string> kRecordColumns;

}  // namespace corvane
