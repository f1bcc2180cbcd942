// Draws the application icon of corvane.svg with QPainter and writes corvane-<size>.png for every
// size the application and its desktop entry use. Run once when the design changes:
//   g++ -std=c++20 -fPIC render_icons.cpp $(pkg-config --cflags --libs Qt6Gui) -o /tmp/render_icons
//   QT_QPA_PLATFORM=offscreen /tmp/render_icons resources/icons
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <cstdio>

namespace {

// The shapes of corvane.svg, on its 256 x 256 canvas.
void drawIcon(QPainter& p) {
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 16, 0, 240);
    sky.setColorAt(0, QColor("#2a6496"));
    sky.setColorAt(1, QColor("#12324f"));
    p.setPen(Qt::NoPen);
    p.setBrush(sky);
    p.drawRoundedRect(QRectF(16, 16, 224, 224), 44, 44);

    QPen white(Qt::white, 11, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(white);
    p.setBrush(Qt::NoBrush);
    // Two arcs around the antenna tip (150, 84), 50 degrees either side of straight up.
    for (const double radius : {28.0, 50.0}) {
        p.drawArc(QRectF(150 - radius, 84 - radius, 2 * radius, 2 * radius), 40 * 16, 100 * 16);
    }
    p.drawLine(QPointF(150, 84), QPointF(150, 132));

    p.setPen(Qt::NoPen);
    p.setBrush(QColor("#e9eff5"));
    p.drawRoundedRect(QRectF(48, 128, 160, 68), 12, 12);
    p.setBrush(QColor("#35c46a"));
    p.drawEllipse(QPointF(76, 162), 9, 9);
    p.setBrush(QColor("#f0a830"));
    p.drawEllipse(QPointF(104, 162), 9, 9);
    p.setBrush(QColor("#8aa2b8"));
    p.drawRoundedRect(QRectF(126, 157, 62, 10), 5, 5);

    p.setPen(QPen(Qt::white, 8));
    p.setBrush(QColor("#2fae57"));
    p.drawEllipse(QPointF(190, 190), 42, 42);
    QPainterPath check;
    check.moveTo(170, 191);
    check.lineTo(184, 205);
    check.lineTo(211, 176);
    p.setPen(QPen(Qt::white, 12, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(check);
}

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    const QString dir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    for (const int size : {16, 24, 32, 48, 64, 128, 256}) {
        // Small sizes are drawn large and scaled down smoothly, which keeps thin strokes visible.
        QImage big(1024, 1024, QImage::Format_ARGB32_Premultiplied);
        big.fill(Qt::transparent);
        QPainter painter(&big);
        painter.scale(4, 4);
        drawIcon(painter);
        painter.end();
        const QImage image =
            big.scaled(size, size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        const QString path = QStringLiteral("%1/corvane-%2.png").arg(dir).arg(size);
        if (!image.save(path)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    return 0;
}
