#include "ui/dialog_units.h"

#include <QApplication>
#include <QFontMetrics>
#include <QWidget>
#include <algorithm>
#include <cmath>

namespace corvane::ui {

namespace {

// x * numerator / denominator, rounded to the nearest integer.
int scaleRounded(int x, double numerator, int denominator) {
    return static_cast<int>(std::lround(x * numerator / denominator));
}

}  // namespace

DialogUnits::DialogUnits(const QFont& font) {
    const QFontMetrics metrics(font);
    const int alphabetWidth = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    m_baseX = std::max(1, (alphabetWidth / 26 + 1) / 2);
    m_baseY = std::max(1, metrics.height());
}

int DialogUnits::toPixelsX(int dlu) const {
    return static_cast<int>(std::lround(dlu * unitX()));
}

int DialogUnits::toPixelsY(int dlu) const {
    return scaleRounded(dlu, m_baseY, 8);
}

QRect DialogUnits::toPixels(const QRect& dlu) const {
    return {toPixelsX(dlu.x()), toPixelsY(dlu.y()), toPixelsX(dlu.width()),
            toPixelsY(dlu.height())};
}

QSize DialogUnits::toPixels(const QSize& dlu) const {
    return {toPixelsX(dlu.width()), toPixelsY(dlu.height())};
}

void DialogUnits::widen(double factor) {
    m_widening = std::max(1.0, factor);
}

void DialogLayout::add(QWidget* widget, const QRect& dlu, bool captioned) {
    m_placements.push_back({widget, dlu, captioned});
}

void DialogLayout::apply() {
    double factor = 1.0;
    for (const Placement& placement : m_placements) {
        if (placement.captioned && placement.dlu.width() > 0) {
            const int needed = placement.widget->sizeHint().width();
            const int given = m_units.toPixelsX(placement.dlu.width());
            factor = std::max(factor, static_cast<double>(needed) / std::max(1, given));
        }
    }
    m_units.widen(factor);
    for (const Placement& placement : m_placements) {
        placeInDialogUnits(placement.widget, m_units, placement.dlu);
    }
}

QFont dialogFont() {
    return QApplication::font();
}

void placeInDialogUnits(QWidget* widget, const DialogUnits& units, const QRect& dlu) {
    widget->setGeometry(units.toPixels(dlu));
}

}  // namespace corvane::ui
