#include "ui/tool_windows.h"

namespace corvane::ui {

void openDc09KeysWindow(CCorvaneDlg& /*window*/) {}

}  // namespace corvane::ui
