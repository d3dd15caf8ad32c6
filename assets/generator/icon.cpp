#include "artwork.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>

namespace tavrilo::pictures {

namespace {

// ---------------------------------------------------------------------------------------------
// Icon

const QColor frameCrimson(174, 23, 57);
const QColor triangleGrey(192, 192, 192);

} // namespace

QImage icon(int size, const QFont &letterFont)
{
    QImage image(size, size, QImage::Format_RGB32);
    image.fill(frameCrimson);
    QPainter p(&image);

    // Flat, unantialiased triangles keep the colour count small and the edges crisp when tiny.
    const int frame = std::max(1, size / 16);
    const QRect square(frame, frame, size - 2 * frame, size - 2 * frame);
    p.fillRect(square, triangleGrey);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    p.drawPolygon(QPolygon(
        {square.topLeft(), square.topRight() + QPoint(1, 0), square.bottomLeft() + QPoint(0, 1)}));

    // One large italic serif "T" with a black shadow, so that it reads on the grey half too.
    p.setRenderHint(QPainter::Antialiasing);
    p.setClipRect(square);
    QFont font = letterFont;
    font.setPixelSize(100);
    font.setItalic(true);
    font.setBold(true);
    QPainterPath letter;
    letter.addText(0, 0, font, QStringLiteral("T"));
    const QRectF ink = letter.boundingRect();
    const QRectF target =
        QRectF(square).adjusted(size * 0.12, size * 0.1, -size * 0.14, -size * 0.12);
    const qreal fit = std::min(target.width() / ink.width(), target.height() / ink.height());
    QTransform place;
    place.translate(target.center().x(), target.center().y());
    place.scale(fit, fit);
    place.translate(-ink.center().x(), -ink.center().y());
    const QPainterPath shaped = place.map(letter);
    const qreal shadow = std::max(1.0, size / 24.0);
    p.setBrush(Qt::black);
    p.drawPath(shaped.translated(shadow, shadow));
    p.setBrush(Qt::white);
    p.drawPath(shaped);
    return image;
}

} // namespace tavrilo::pictures
