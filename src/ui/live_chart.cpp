#include "ui/live_chart.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>

#include "platform/clock.h"

namespace corvane::ui {

LiveChart::LiveChart(const MessageRecords& records, const Tally& tally, QWidget* parent)
    : QWidget(parent), m_records(records), m_tally(tally), m_seen(tally.progress()) {
    setMinimumSize(400, 200);
}

void LiveChart::backfill() {
    const std::int64_t now = utcMicrosecondsNow();
    std::vector<Second> seconds(kSeconds);
    std::vector<double> latencySum(kSeconds, 0);
    std::vector<double> timed(kSeconds, 0);
    const MessageRecords::Span span = m_records.span();
    m_records.visitRange(span.first, span.next, [&](const MessageRecord& r) {
        const std::int64_t ago = (now - r.receivedUs) / 1'000'000;
        if (ago < 0 || ago >= kSeconds) {
            return;
        }
        const auto at = static_cast<std::size_t>(kSeconds - 1 - ago);
        seconds[at].messages += 1;
        if (r.latencyUs >= 0) {
            latencySum[at] += static_cast<double>(r.latencyUs);
            timed[at] += 1;
        }
    });
    m_seconds.clear();
    for (std::size_t i = 0; i < seconds.size(); ++i) {
        seconds[i].latencyUs = timed[i] > 0 ? latencySum[i] / timed[i] : -1;
        m_seconds.push_back(seconds[i]);
    }
    m_seen = m_tally.progress();
    update();
}

void LiveChart::sample() {
    const Tally::Progress now = m_tally.progress();
    Second second;
    second.messages = static_cast<double>(now.messages - m_seen.messages);
    const auto timed = static_cast<double>(now.timed - m_seen.timed);
    second.latencyUs =
        timed > 0 ? static_cast<double>(now.latencySumUs - m_seen.latencySumUs) / timed : -1;
    m_seen = now;
    m_seconds.push_back(second);
    while (m_seconds.size() > static_cast<std::size_t>(kSeconds)) {
        m_seconds.pop_front();
    }
    update();
}

namespace {

constexpr int kMargin = 48;

// One line of the chart, scaled to its own maximum; points without a value break the line.
void drawLine(QPainter& painter, const QRect& area, const std::deque<double>& values, double top,
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
    std::deque<double> rate;
    std::deque<double> latency;
    double rateTop = 1;
    double latencyTop = 1;
    for (const Second& s : m_seconds) {
        rate.push_back(s.messages);
        latency.push_back(s.latencyUs);
        rateTop = std::max(rateTop, s.messages * 1.1);
        latencyTop = std::max(latencyTop, s.latencyUs * 1.1);
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
