// The main window's controls: identity, kind, text and place (in dialog units), in tab order.
#pragma once

#include <QRect>
#include <span>

#include "ui/control_ids.h"

namespace corvane::ui {

enum class ControlKind {
    Label,         // static text
    Edit,          // one-line edit, bordered, scrolls horizontally
    ReadOnlyEdit,  // one-line edit that only shows
    LogBox,        // several lines, editable, no wrap, both scroll bars
    PushButton,
    RadioButton,
    CheckBox,
    GroupBox,
    ComboBox,  // a plain list: entries typed by hand would never be used
};

inline constexpr int kNoId = -1;  // labels and group boxes have no identity of their own

struct ControlSpec {
    int id;
    ControlKind kind;
    const char* text;
    QRect dlu;  // x, y, width, height in dialog units
};

// The main window's client area in dialog units.
inline constexpr int kMainWidthDlu = 597;
inline constexpr int kMainHeightDlu = 345;

// Every control of the main window, in tab order.
std::span<const ControlSpec> mainWindowControls();

}  // namespace corvane::ui
