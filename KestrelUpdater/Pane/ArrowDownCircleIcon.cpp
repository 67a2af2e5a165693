#include "ArrowDownCircleIcon.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>
#include <QPixmap>

namespace KestrelUpdater {
namespace {

QPixmap drawn(int size, const QColor& colour)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal stroke = std::max(1.0, size / 14.0);
    painter.setPen(QPen(colour, stroke, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    const qreal inset = stroke / 2 + size * 0.04;
    painter.drawEllipse(QRectF(inset, inset, size - 2 * inset, size - 2 * inset));
    const qreal middle = size / 2.0;
    painter.drawLine(QPointF(middle, size * 0.26), QPointF(middle, size * 0.72));
    QPainterPath head;
    head.moveTo(size * 0.32, size * 0.54);
    head.lineTo(middle, size * 0.72);
    head.lineTo(size * 0.68, size * 0.54);
    painter.drawPath(head);
    return pixmap;
}

} // namespace

QIcon arrowDownCircleIcon()
{
    const QColor colour = QGuiApplication::palette().color(QPalette::WindowText);
    QIcon fallback;
    for (int size : {16, 24, 32, 48, 64})
        fallback.addPixmap(drawn(size, colour));
    return QIcon::fromTheme(QStringLiteral("software-update-available"), fallback);
}

} // namespace KestrelUpdater
