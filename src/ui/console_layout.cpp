#include "ui/console_layout.h"

#include <QWidget>
#include <algorithm>
#include <cmath>

namespace corvane::ui {

namespace {

// How far the horizontal unit may shrink below the default one: enough for the window to fit a
// 1920x1080 screen at scale 2 (960 pixels wide), with room to spare.
constexpr double kNarrowestUnit = 0.6;
// The log keeps at least this height (about six lines) and this width, in dialog units.
constexpr int kMinLogHeightDlu = 48;
constexpr int kMinLogWidthDlu = 200;
// Controls pushed along keep at least this gap to the control on their left, in dialog units of
// the default size (a gap that shrank with the unit would let a label touch its field).
constexpr int kMinGapDlu = 4;
// A group box keeps this margin to the controls inside it, in dialog units.
constexpr int kFrameMarginDlu = 7;

int px(int dlu, double unit) {
    return static_cast<int>(std::lround(dlu * unit));
}

bool sameRow(const QRect& a, const QRect& b) {
    return a.y() < b.y() + b.height() && b.y() < a.y() + a.height();
}

bool inside(const QRect& outer, const QRect& inner) {
    return outer.contains(inner);
}

}  // namespace

ConsoleLayout::ConsoleLayout(const DialogUnits& units, QSize client)
    : m_units(units), m_clientDlu(client) {}

void ConsoleLayout::add(QWidget* widget, const QRect& dlu, Role role, NeededWidth needed) {
    m_items.push_back({widget, dlu, role, std::move(needed)});
}

int ConsoleLayout::logIndex() const {
    for (std::size_t i = 0; i < m_items.size(); ++i) {
        if (m_items[i].role == Role::Log) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

QSize ConsoleLayout::defaultSize() const {
    return m_units.toPixels(m_clientDlu);
}

ConsoleLayout::Columns ConsoleLayout::columnsAt(double unit) const {
    const std::size_t count = m_items.size();
    Columns columns;
    columns.left.assign(count, 0);
    columns.width.assign(count, 0);
    const int log = logIndex();
    const QRect logDlu = log >= 0 ? m_items[log].dlu : QRect(0, 0, m_clientDlu.width(), 0);
    const int logRightDlu = logDlu.x() + logDlu.width();
    const int rightMargin = px(m_clientDlu.width(), unit) - px(logRightDlu, unit);

    // Controls in the order of their left edges; each is pushed right by the controls on its left
    // in the same row that had to grow or were pushed themselves (less the gap it can give up).
    std::vector<std::size_t> order;
    for (std::size_t i = 0; i < count; ++i) {
        if (m_items[i].role != Role::Frame && m_items[i].role != Role::Log) {
            order.push_back(i);
        }
    }
    std::stable_sort(order.begin(), order.end(), [this](std::size_t a, std::size_t b) {
        return m_items[a].dlu.x() < m_items[b].dlu.x();
    });
    std::vector<int> shift(count, 0);
    std::vector<int> extra(count, 0);
    const int minGap = m_units.toPixelsX(kMinGapDlu);
    for (std::size_t at = 0; at < order.size(); ++at) {
        const std::size_t c = order[at];
        const Item& item = m_items[c];
        const int baseWidth = px(item.dlu.width(), unit);
        extra[c] = item.needed ? std::max(0, item.needed() - baseWidth) : 0;
        for (std::size_t before = 0; before < at; ++before) {
            const std::size_t p = order[before];
            const QRect& left = m_items[p].dlu;
            if (left.x() + left.width() > item.dlu.x() || !sameRow(left, item.dlu)) {
                continue;
            }
            // A control that grew or moved gives up the gap beyond the minimum to its right
            // neighbour, and never less than the minimum remains between them.
            const int pushed = shift[p] + extra[p];
            if (pushed > 0) {
                const int gap =
                    px(item.dlu.x(), unit) - px(left.x(), unit) - px(left.width(), unit);
                shift[c] = std::max(shift[c], pushed - (gap - minGap));
            }
        }
        columns.left[c] = px(item.dlu.x(), unit) + shift[c];
        columns.width[c] = baseWidth + extra[c];
    }

    int rightmost = 0;
    for (const std::size_t c : order) {
        const int right = columns.left[c] + columns.width[c];
        if (m_items[c].role == Role::LogCorner) {
            const QRect& dlu = m_items[c].dlu;
            const int toLogRight =
                px(logRightDlu, unit) - px(dlu.x(), unit) - px(dlu.width(), unit);
            columns.logRightAtLeast = std::max(columns.logRightAtLeast, right + toLogRight);
        } else {
            rightmost = std::max(rightmost, right);
        }
    }
    // Group boxes hold what is inside them.
    for (std::size_t f = 0; f < count; ++f) {
        if (m_items[f].role != Role::Frame) {
            continue;
        }
        const QRect& dlu = m_items[f].dlu;
        int right = px(dlu.x(), unit) + px(dlu.width(), unit);
        for (const std::size_t c : order) {
            if (inside(dlu, m_items[c].dlu)) {
                right =
                    std::max(right, columns.left[c] + columns.width[c] + px(kFrameMarginDlu, unit));
            }
        }
        columns.left[f] = px(dlu.x(), unit);
        columns.width[f] = right - columns.left[f];
        rightmost = std::max(rightmost, right);
    }
    if (log >= 0) {
        columns.left[log] = px(logDlu.x(), unit);
        columns.logRightAtLeast =
            std::max({columns.logRightAtLeast, rightmost,
                      columns.left[log] + px(std::min(kMinLogWidthDlu, logDlu.width()), unit)});
    } else {
        columns.logRightAtLeast = std::max(columns.logRightAtLeast, rightmost);
    }
    columns.widthNeeded = columns.logRightAtLeast + rightMargin;
    return columns;
}

QSize ConsoleLayout::minimumSize() const {
    const double narrowest = m_units.unitX() * kNarrowestUnit;
    const int log = logIndex();
    const int logHeight = log >= 0 ? m_items[log].dlu.height() : kMinLogHeightDlu;
    const int shorter =
        m_units.toPixelsY(logHeight) - m_units.toPixelsY(std::min(logHeight, kMinLogHeightDlu));
    return {columnsAt(narrowest).widthNeeded, defaultSize().height() - shorter};
}

std::vector<QRect> ConsoleLayout::placesFor(QSize client) const {
    client = client.expandedTo(minimumSize());
    const double full = m_units.unitX();
    double unit = full;
    Columns columns = columnsAt(unit);
    if (client.width() < defaultSize().width() || columns.widthNeeded > client.width()) {
        // The widest unit whose layout fits the window.
        double low = full * kNarrowestUnit;
        double high = full;
        for (int step = 0; step < 24; ++step) {
            const double middle = (low + high) / 2;
            (columnsAt(middle).widthNeeded <= client.width() ? low : high) = middle;
        }
        unit = low;
        columns = columnsAt(unit);
    }
    const int log = logIndex();
    const QRect logDlu = log >= 0 ? m_items[log].dlu : QRect(0, m_clientDlu.height(), 0, 0);
    const int logRightDlu = log >= 0 ? logDlu.x() + logDlu.width() : m_clientDlu.width();
    const int logRight = client.width() - (px(m_clientDlu.width(), unit) - px(logRightDlu, unit));
    const int down = client.height() - defaultSize().height();

    std::vector<QRect> places;
    places.reserve(m_items.size());
    for (std::size_t i = 0; i < m_items.size(); ++i) {
        const Item& item = m_items[i];
        int left = columns.left[i];
        int width = columns.width[i];
        int top = m_units.toPixelsY(item.dlu.y());
        int height = m_units.toPixelsY(item.dlu.height());
        switch (item.role) {
            case Role::Log:
                width = logRight - left;
                height += down;
                break;
            case Role::LogCorner: {
                // Its distance to the log's right edge stays.
                const int toLogRight =
                    px(logRightDlu, unit) - px(item.dlu.x(), unit) - px(item.dlu.width(), unit);
                left = std::max(left, logRight - toLogRight - width);
                break;
            }
            case Role::Fixed:
            case Role::Frame:
                if (item.dlu.y() > logDlu.y()) {
                    top += down;
                }
                break;
        }
        places.emplace_back(left, top, width, height);
    }
    return places;
}

void ConsoleLayout::apply(QSize client) const {
    const std::vector<QRect> places = placesFor(client);
    for (std::size_t i = 0; i < m_items.size(); ++i) {
        if (m_items[i].widget->geometry() != places[i]) {
            m_items[i].widget->setGeometry(places[i]);
        }
    }
}

}  // namespace corvane::ui
