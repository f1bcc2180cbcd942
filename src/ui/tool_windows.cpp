#include "ui/tool_windows.h"

#include <array>

#include "ui/control_table.h"

namespace corvane::ui {

namespace {

constexpr int kRowTop = kMainHeightDlu + 2;
constexpr int kButtonHeight = 14;

constexpr std::array kToolWindows = {
    ToolWindowEntry{"DC-09 Keys...", {25, kRowTop, 70, kButtonHeight}, openDc09KeysWindow},
    ToolWindowEntry{"Answer Script...", {101, kRowTop, 70, kButtonHeight}, openAnswerScriptWindow},
    ToolWindowEntry{"Messages...", {177, kRowTop, 70, kButtonHeight}, openMessagesWindow},
};

}  // namespace

std::span<const ToolWindowEntry> toolWindows() {
    return kToolWindows;
}

}  // namespace corvane::ui
