#include "planedrawing.h"

#include <QPainter>
#include <cmath>

namespace tavrilo {

PlaneDrawing::PlaneDrawing(QSizeF area)
    : area_(area)
{}

void PlaneDrawing::setUserScale(int left, int top, int right, int bottom)
{
    if (left == right || top == bottom)
        return; // a scale with no extent maps nothing; keep the one in force
    left_ = left;
    top_ = top;
    unitX_ = area_.width() / (double(right) - left);
    unitY_ = area_.height() / (double(bottom) - top);
}

void PlaneDrawing::setPenWidth(int width)
{
    penWidth_ = width < 1 ? 1 : width;
}

void PlaneDrawing::clear()
{
    circles_.clear();
}

void PlaneDrawing::circle(float x, float y, float radius, Bgr colour)
{
    // Double precision keeps any finite single-precision coordinate finite after scaling.
    circles_.push_back(
        {toPixels(x, y), std::abs(double(radius) * unitX_), penWidth_, colourFromBgr(colour)});
}

QPointF PlaneDrawing::toPixels(double x, double y) const
{
    return {(x - left_) * unitX_, (y - top_) * unitY_};
}

void PlaneDrawing::render(QPainter &painter) const
{
    // The rasteriser works in fixed point: a shape reaching beyond a million pixels would land in
    // the wrong place (the edge of a huge circle on the wrong row), if anywhere.
    const QRectF drawable(-1e6, -1e6, 2e6, 2e6);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    for (const Circle &c : circles_) {
        const double outer = c.radius + c.penWidth / 2.0;
        const QRectF bounds(c.centre.x() - outer, c.centre.y() - outer, 2 * outer, 2 * outer);
        if (!drawable.contains(bounds)) continue;
        if (c.penWidth / 2.0 >= c.radius) {
            // The pen covers the hole: the outline is a solid disc.
            painter.setPen(Qt::NoPen);
            painter.setBrush(c.colour);
            painter.drawEllipse(c.centre, outer, outer);
        } else {
            painter.setPen(QPen(c.colour, c.penWidth));
            painter.setBrush(Qt::NoBrush);
            painter.drawEllipse(c.centre, c.radius, c.radius);
        }
    }
    painter.restore();
}

} // namespace tavrilo
