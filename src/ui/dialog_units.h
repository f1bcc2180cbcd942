// Dialog units: control positions are given in units of the dialog font, so the layout scales with
// whatever font the desktop uses. A horizontal unit is a quarter of the font's average character
// width, a vertical unit an eighth of its character height.
//
// Desktop fonts on Linux are wider for their average character than the fonts the layout was
// drawn for, so a caption can need more room than its control has. DialogLayout then widens the
// horizontal unit just enough for every caption to fit: proportions stay, nothing overlaps.
#pragma once

#include <QFont>
#include <QRect>
#include <QSize>
#include <utility>
#include <vector>

class QWidget;

namespace corvane::ui {

class DialogUnits {
  public:
    explicit DialogUnits(const QFont& font);

    int baseX() const { return m_baseX; }  // average width of "A".."Z" "a".."z", rounded
    int baseY() const { return m_baseY; }  // character height

    // Pixels per horizontal dialog unit, widening included.
    double unitX() const { return m_baseX * m_widening / 4.0; }
    int toPixelsX(int dlu) const;
    int toPixelsY(int dlu) const;
    QRect toPixels(const QRect& dlu) const;
    QSize toPixels(const QSize& dlu) const;

    // Stretches horizontal units by `factor` (at least 1).
    void widen(double factor);
    double widening() const { return m_widening; }

  private:
    int m_baseX;
    int m_baseY;
    double m_widening = 1.0;
};

// Places a dialog's controls in dialog units, widening the units first when a caption would not
// fit its control.
class DialogLayout {
  public:
    explicit DialogLayout(const QFont& font) : m_units(font) {}

    // `captioned`: the control shows a caption that must fit its width.
    void add(QWidget* widget, const QRect& dlu, bool captioned);
    // Widens the units as needed and gives every control its place.
    void apply();
    const DialogUnits& units() const { return m_units; }

  private:
    struct Placement {
        QWidget* widget;
        QRect dlu;
        bool captioned;
    };
    DialogUnits m_units;
    std::vector<Placement> m_placements;
};

// The font every dialog of the application uses: the desktop's own user-interface font.
QFont dialogFont();

// Places `widget` at the rectangle given in dialog units.
void placeInDialogUnits(QWidget* widget, const DialogUnits& units, const QRect& dlu);

}  // namespace corvane::ui
