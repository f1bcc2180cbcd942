// Places the main window's controls for any size of the window.
//
// At the default size every control sits at its place in dialog units. When the window grows, the
// log grows with it: controls above the log stay, controls below it move down with its bottom
// edge, and the control that sits at the log's top right corner (the Connect button) follows the
// log's right edge. Below the default width the horizontal unit shrinks; a control whose caption
// or value would then no longer fit keeps the width it needs and pushes the controls to its right
// along, so nothing is clipped and nothing overlaps. Below the default height only the log gets
// shorter.
#pragma once

#include <QRect>
#include <QSize>
#include <functional>
#include <vector>

#include "ui/dialog_units.h"

class QWidget;

namespace corvane::ui {

class ConsoleLayout {
  public:
    enum class Role {
        Fixed,      // keeps its place relative to the log's top left or bottom left corner
        Log,        // grows with the window
        LogCorner,  // keeps its place relative to the log's top right corner
        Frame,      // a group box: grows to hold the controls inside it
    };
    // The width a control needs, in pixels, asked each time the layout is worked out (captions
    // change while the window runs). 0: the control only scales.
    using NeededWidth = std::function<int()>;

    // `units`: the dialog units of the default size; `client`: the default size in dialog units.
    ConsoleLayout(const DialogUnits& units, QSize client);

    void add(QWidget* widget, const QRect& dlu, Role role, NeededWidth needed = {});

    QSize defaultSize() const;
    // The smallest window that still shows every control whole.
    QSize minimumSize() const;
    // Every control's place in a window of `client` pixels (at least the minimum size), in the
    // order the controls were added.
    std::vector<QRect> placesFor(QSize client) const;
    // Gives every control its place for `client`.
    void apply(QSize client) const;

  private:
    struct Item {
        QWidget* widget;
        QRect dlu;
        Role role;
        NeededWidth needed;
    };
    // Left edges and widths at `unit` pixels per horizontal dialog unit, with pushes.
    struct Columns {
        std::vector<int> left;
        std::vector<int> width;
        int logRightAtLeast = 0;  // the log's right edge may not come further left
        int widthNeeded = 0;      // the window width this takes
    };
    Columns columnsAt(double unit) const;
    int logIndex() const;

    DialogUnits m_units;
    QSize m_clientDlu;
    std::vector<Item> m_items;
};

}  // namespace corvane::ui
