#pragma once

#include "canvas.h"

#include <QColor>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <vector>

class QPainter;

namespace tavrilo {

// The drawings made on a plane, kept as shapes in logical pixels of the drawing area, so that they
// can be painted again at any time and at any device pixel ratio.
class PlaneDrawing : public Canvas {
public:
    struct Circle {
        QPointF centre; // logical pixels from the drawing area's top-left corner
        double radius;  // logical pixels
        int penWidth;
        QColor colour;
    };

    explicit PlaneDrawing(QSizeF area);

    void setUserScale(int left, int top, int right, int bottom) override;
    void setPenWidth(int width) override;
    void clear() override;
    void circle(float x, float y, float radius, Bgr colour) override;

    // User units to logical pixels of the drawing area, by the current scale.
    QPointF toPixels(double x, double y) const;

    const std::vector<Circle> &circles() const { return circles_; }
    int penWidth() const { return penWidth_; }
    QSizeF area() const { return area_; }

    // Paints the shapes with the painter's origin at the drawing area's top-left corner. Shapes
    // reaching more than a million pixels from it are skipped, since the rasteriser would put them
    // in the wrong place.
    void render(QPainter &painter) const;

private:
    QSizeF area_;
    // Until a scale is set, one unit is one pixel, origin top left.
    double left_ = 0, top_ = 0, unitX_ = 1, unitY_ = 1;
    int penWidth_ = 1;
    std::vector<Circle> circles_;
};

} // namespace tavrilo
