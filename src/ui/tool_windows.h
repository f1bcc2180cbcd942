// The tool windows beyond the operator's console (keys, answer script, message records, remote
// control): one button each in a row below the console's controls, and one entry each in the
// context menu. Each window lives in its own file and is opened by its own function.
#pragma once

#include <QRect>
#include <QSize>
#include <QString>
#include <span>

#include "station/choices.h"

class CCorvaneDlg;
class QWidget;

namespace corvane::ui {

struct ToolWindowEntry {
    const char* caption;  // the button's and the menu entry's caption
    QRect dlu;            // the button's place, in dialog units
    void (*open)(CCorvaneDlg& window);
    const char* toolTip;       // what the window is for
    Protocol onlyFor;          // the one protocol it serves; None: every protocol
    const char* whyNotOthers;  // the tooltip while it is disabled under the other protocol

    bool servesProtocol(Protocol protocol) const;
    QString toolTipFor(Protocol protocol) const;
};

// The row of tool buttons starts below the console's last control; the window grows by this.
inline constexpr int kToolRowHeightDlu = 20;

std::span<const ToolWindowEntry> toolWindows();

// Room for the title bar and frame that the window manager adds to a window of this size.
inline constexpr QSize kFrameAllowance{16, 48};
// Shows (or raises) a tool window; opened for the first time, it fits the screen it is on.
void showToolWindow(QWidget& window);

// Each opens (or raises) its window, owned by the main window and not modal.
void openDc09KeysWindow(CCorvaneDlg& window);
void openAnswerScriptWindow(CCorvaneDlg& window);
void openMessagesWindow(CCorvaneDlg& window);
void openRemoteControlWindow(CCorvaneDlg& window);
// Stops the metrics and control service and closes its window, before the station goes.
void closeRemoteControl(CCorvaneDlg& window);

}  // namespace corvane::ui
