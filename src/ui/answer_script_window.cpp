#include "ui/tool_windows.h"

namespace corvane::ui {

void openAnswerScriptWindow(CCorvaneDlg& /*window*/) {}

}  // namespace corvane::ui
