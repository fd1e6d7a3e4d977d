#include "app/ButtonPictures.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

namespace Kadex::App::ButtonPictures {

namespace {

QPixmap transparentPixmap(int width, int height)
{
    QPixmap pixmap(width, height);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

QPen strokePen(const QColor &colour, qreal width)
{
    return QPen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

} // namespace

QPixmap checkMark()
{
    QPixmap pixmap = transparentPixmap(44, 36);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(strokePen(QColor(0, 100, 0), 6.5));
    painter.drawPolyline(QPolygonF({{5.0, 19.0}, {16.0, 30.0}, {39.0, 5.0}}));
    return pixmap;
}

QPixmap cross()
{
    QPixmap pixmap = transparentPixmap(37, 39);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(strokePen(QColor(220, 0, 0), 6.5));
    painter.drawLine(QPointF(6, 6), QPointF(31, 33));
    painter.drawLine(QPointF(31, 6), QPointF(6, 33));
    return pixmap;
}

QPixmap helpPointer()
{
    QPixmap pixmap = transparentPixmap(41, 45);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);

    // The arrow pointer: black with a white rim, tip at the top left.
    const QPolygonF arrow({{3, 3}, {3, 31}, {10, 24.5}, {15, 36}, {20, 34}, {15, 22.5}, {24, 22.5}});
    painter.setPen(QPen(Qt::white, 1.5, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    painter.setBrush(Qt::black);
    painter.drawPolygon(arrow);

    // The question mark at the right: a hook and a dot.
    QPainterPath hook;
    hook.moveTo(26, 11);
    hook.cubicTo(26, 4, 38, 4, 38, 11);
    hook.cubicTo(38, 16, 32, 17, 32, 23);
    hook.lineTo(32, 26);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(strokePen(Qt::black, 3.5));
    painter.drawPath(hook);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::black);
    painter.drawEllipse(QPointF(32, 33), 2.4, 2.4);
    return pixmap;
}

} // namespace Kadex::App::ButtonPictures
