#include "ui/live_chart.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>

namespace corvane::ui {

namespace {

constexpr std::int64_t kSecondUs = 1'000'000;

std::int64_t secondOf(std::int64_t us) {
    return us >= 0 ? us / kSecondUs : (us - kSecondUs + 1) / kSecondUs;
}

}  // namespace

LiveChart::LiveChart(const Tally& tally, QWidget* parent)
    : QWidget(parent), m_tally(tally), m_points(kSeconds) {
    setMinimumSize(400, 200);
    m_lastSecond = secondOf(utcMicrosecondsNow() - kSettleUs) - 1;
}

void LiveChart::readTally() {
    const std::vector<Tally::Second> seconds =
        m_tally.seconds(m_lastSecond - kSeconds + 1, m_lastSecond);
    m_points.assign(seconds.size(), Point{});
    for (std::size_t i = 0; i < seconds.size(); ++i) {
        m_points[i].messages = static_cast<double>(seconds[i].messages);
        m_points[i].latencyUs = seconds[i].timed > 0
                                    ? static_cast<double>(seconds[i].latencySumUs) /
                                          static_cast<double>(seconds[i].timed)
                                    : -1;
    }
    update();
}

void LiveChart::backfill(std::int64_t nowUs) {
    m_lastSecond = secondOf(nowUs - kSettleUs) - 1;
    readTally();
}

void LiveChart::sample(std::int64_t nowUs) {
    // A timer that runs early never draws a second twice, nor one still to settle.
    m_lastSecond = std::max(m_lastSecond, secondOf(nowUs - kSettleUs) - 1);
    readTally();
}

namespace {

constexpr int kMargin = 48;

// One line of the chart, scaled to its own maximum; points without a value break the line.
void drawLine(QPainter& painter, const QRect& area, const std::vector<double>& values, double top,
              const QColor& colour) {
    painter.setPen(QPen(colour, 1.5));
    QPolygonF line;
    const double step = static_cast<double>(area.width()) / LiveChart::kSeconds;
    double x = area.right() - step * static_cast<double>(values.size());
    auto flush = [&] {
        if (line.size() > 1) {
            painter.drawPolyline(line);
        }
        line.clear();
    };
    for (const double v : values) {
        x += step;
        if (v < 0) {
            flush();
            continue;
        }
        line << QPointF(x, area.bottom() - v / top * area.height());
    }
    flush();
}

}  // namespace

void LiveChart::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(rect(), palette().base());
    const QRect area = rect().adjusted(kMargin, 24, -kMargin, -28);
    painter.setPen(palette().mid().color());
    painter.drawRect(area);
    std::vector<double> rate;
    std::vector<double> latency;
    double rateTop = 1;
    double latencyTop = 1;
    for (const Point& point : points()) {
        rate.push_back(point.messages);
        latency.push_back(point.latencyUs);
        rateTop = std::max(rateTop, point.messages * 1.1);
        latencyTop = std::max(latencyTop, point.latencyUs * 1.1);
    }
    const QColor rateColour(0x1f, 0x77, 0xb4);
    const QColor latencyColour(0xd6, 0x27, 0x28);
    drawLine(painter, area, rate, rateTop, rateColour);
    drawLine(painter, area, latency, latencyTop, latencyColour);

    const QFontMetrics metrics = painter.fontMetrics();
    painter.setPen(rateColour);
    painter.drawText(QPoint(area.left(), 16), "Messages per second");
    painter.drawText(QRect(0, area.top(), kMargin - 4, metrics.height()), Qt::AlignRight,
                     QString::number(rateTop, 'f', 0));
    painter.setPen(latencyColour);
    const QString latencyTitle = "Mean answer latency (us)";
    painter.drawText(QPoint(area.right() - metrics.horizontalAdvance(latencyTitle), 16),
                     latencyTitle);
    painter.drawText(QRect(area.right() + 4, area.top(), kMargin - 4, metrics.height()),
                     Qt::AlignLeft, QString::number(latencyTop, 'f', 0));
    painter.setPen(palette().text().color());
    painter.drawText(QRect(area.left(), area.bottom() + 4, area.width(), metrics.height()),
                     Qt::AlignLeft, "10 minutes ago");
    painter.drawText(QRect(area.left(), area.bottom() + 4, area.width(), metrics.height()),
                     Qt::AlignRight, "now");
}

}  // namespace corvane::ui
