#include "ui/tool_windows.h"

#include <QScreen>
#include <QString>
#include <QWidget>
#include <array>

#include "ui/control_table.h"

namespace corvane::ui {

namespace {

constexpr int kRowTop = kMainHeightDlu + 2;
constexpr int kButtonHeight = 14;

constexpr std::array kToolWindows = {
    ToolWindowEntry{"DC-09 Keys...",
                    {25, kRowTop, 70, kButtonHeight},
                    openDc09KeysWindow,
                    "Keys for encrypted DC-09 frames, the answer to frames that cannot be "
                    "decrypted, the time stamp window and the DC-09 answer words",
                    Protocol::SiaDcs,
                    "DC-09 keys apply to SIA-DCS frames only: this run speaks Sur-Gard"},
    ToolWindowEntry{"Answer Script...",
                    {101, kRowTop, 70, kButtonHeight},
                    openAnswerScriptWindow,
                    "Answer by script instead of the radio buttons: late, not at all, in a "
                    "sequence, or by closing the connection",
                    Protocol::None,
                    nullptr},
    ToolWindowEntry{"Messages...",
                    {177, kRowTop, 70, kButtonHeight},
                    openMessagesWindow,
                    "Every message of this run: a table with filters and details, the receivers, "
                    "a live chart, and Save...",
                    Protocol::None,
                    nullptr},
    ToolWindowEntry{"Remote control...",
                    {253, kRowTop, 70, kButtonHeight},
                    openRemoteControlWindow,
                    "Prometheus metrics and the control API for test rigs, on ports you type "
                    "(off until started)",
                    Protocol::None,
                    nullptr},
};

}  // namespace

std::span<const ToolWindowEntry> toolWindows() {
    return kToolWindows;
}

void showToolWindow(QWidget& window) {
    if (!window.isVisible()) {
        if (const QScreen* screen = window.screen()) {
            const QSize room = screen->availableGeometry().size() - kFrameAllowance;
            window.resize(window.size().boundedTo(room).expandedTo(window.minimumSizeHint()));
        }
    }
    window.show();
    window.raise();
    window.activateWindow();
}

bool ToolWindowEntry::servesProtocol(Protocol protocol) const {
    return onlyFor == Protocol::None || protocol == onlyFor;
}

QString ToolWindowEntry::toolTipFor(Protocol protocol) const {
    return QString::fromLatin1(servesProtocol(protocol) ? toolTip : whyNotOthers);
}

}  // namespace corvane::ui
