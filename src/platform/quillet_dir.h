// Internal: where the diagnostic log's file goes, chosen from the XDG state directory.
#pragma once

#include <string>

namespace quillet_detail {

// "$XDG_STATE_HOME/corvane" when that variable holds an absolute path, else
// "$HOME/.local/state/corvane"; empty when neither gives an absolute path (then there is no file).
std::string logDirectoryFor(const char* xdgStateHome, const char* home);

}  // namespace quillet_detail
