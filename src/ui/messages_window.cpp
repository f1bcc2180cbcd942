#include "ui/tool_windows.h"

namespace corvane::ui {

void openMessagesWindow(CCorvaneDlg& /*window*/) {}

}  // namespace corvane::ui
