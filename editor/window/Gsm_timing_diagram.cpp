// A square pulse "GSM ready to communicate" on a TIME axis: GSM_DURATION is the pulse's width,
// GSM_INTERVAL the distance from one pulse's start to the next one's.
#include "Gsm_timing_diagram.h"

#include <QFont>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

// A horizontal dimension line with arrow heads at both ends and its label above it.
void dimension(QPainter& p, int x1, int x2, int y, const QString& label) {
    p.drawLine(x1, y, x2, y);
    for (const int x : {x1, x2}) {
        const int d = x == x1 ? 5 : -5;
        QPainterPath head;
        head.moveTo(x, y);
        head.lineTo(x + d, y - 3);
        head.lineTo(x + d, y + 3);
        head.closeSubpath();
        p.fillPath(head, p.pen().color());
    }
    const int middle = (x1 + x2) / 2;
    p.drawText(QRect(middle - 90, y - 15, 180, 13), Qt::AlignCenter, label);
}

} // namespace

QPixmap gsm_timing_diagram() {
    QPixmap picture(348, 129);
    picture.fill(Qt::white);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    QFont font = p.font();
    font.setPixelSize(10);
    p.setFont(font);
    const QColor ink(40, 40, 40);
    p.setPen(QPen(ink, 1));

    // The TIME axis.
    const int base = 100, high = 50;
    p.drawLine(10, base, 330, base);
    QPainterPath arrow;
    arrow.moveTo(338, base);
    arrow.lineTo(330, base - 4);
    arrow.lineTo(330, base + 4);
    arrow.closeSubpath();
    p.fillPath(arrow, ink);
    p.drawText(QRect(290, base + 4, 56, 14), Qt::AlignRight, "TIME");

    // Two pulses: the modem on, then off until the next switch-on.
    const int start1 = 40, end1 = 140, start2 = 230, end2 = 310;
    p.setPen(QPen(QColor(30, 90, 170), 2));
    QPainterPath signal;
    signal.moveTo(10, base);
    signal.lineTo(start1, base);
    signal.lineTo(start1, high);
    signal.lineTo(end1, high);
    signal.lineTo(end1, base);
    signal.lineTo(start2, base);
    signal.lineTo(start2, high);
    signal.lineTo(end2, high);
    signal.lineTo(end2, base);
    signal.lineTo(328, base);
    p.drawPath(signal);
    p.setPen(QPen(ink, 1));
    p.drawText(QRect((start1 + end1) / 2 - 90, high - 18, 180, 13), Qt::AlignCenter,
               "GSM ready to communicate");

    // The dimensions.
    p.setPen(QPen(QColor(170, 40, 40), 1));
    dimension(p, start1, end1, high + 22, "GSM_DURATION");
    p.setPen(QPen(QColor(20, 120, 60), 1));
    p.drawLine(start1, base + 2, start1, base + 22);
    p.drawLine(start2, base + 2, start2, base + 22);
    dimension(p, start1, start2, base + 20, "GSM_INTERVAL");
    return picture;
}
