#include "planegrid.h"

#include <QPainter>
#include <QPainterPath>
#include <QtMath>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <vector>

namespace tavrilo::pictures {

namespace {

constexpr QRgb gridWhite = qRgb(255, 255, 255);
constexpr QRgb gridTeal = qRgb(96, 165, 160);
constexpr QRgb gridBlack = qRgb(0, 0, 0);

constexpr int yAxisColumn = 143; // gridColumn(0)
constexpr int xAxisRow = 142;    // gridRow(0)
constexpr int xAxisEnd = 284; // the x axis stops short of the three columns the plane box cuts off
constexpr int arrowLength = 17;
constexpr int arrowSpread = 6;
constexpr int tickReach = 3; // a tick runs this far to either side of its axis: 7 px in all

struct Tick {
    int at;            // column on the x axis, row on the y axis
    const char *label; // '-' is the short minus of the labels
};
constexpr std::array xTicks{Tick{36, "-6"}, Tick{71, "-4"}, Tick{107, "-2"},
                            Tick{178, "2"}, Tick{214, "4"}, Tick{249, "6"}};
constexpr std::array yTicks{Tick{35, "6"},   Tick{70, "4"},   Tick{106, "2"},
                            Tick{177, "-2"}, Tick{213, "-4"}, Tick{248, "-6"}};

constexpr int glyphHeight = 9;
constexpr int glyphGap = 1;
constexpr int xLabelOffset = 2;                          // from the tick to the label
constexpr int xLabelTop = xAxisRow - 1 - glyphHeight;    // one white row above the axis
constexpr int yLabelRight = yAxisColumn - tickReach - 2; // one white column before the tick
constexpr int yLabelDrop = 2;                            // from the tick down to the label
constexpr QPoint zeroLabel{yAxisColumn + 2, xLabelTop};

// A tiny stroke font for the tick labels, in the cells of a 5 x 9 box (a minus 2 wide). At scale 1
// each glyph is a few polylines through the middles of its cells, which rasterise to hand-checked
// 5 x 9 bitmaps. Above it there are device pixels enough for curves: the same digits as smooth
// monoline sans-serif, one cell thick, antialiased, within the same box.
struct Glyph {
    int width;
    std::vector<std::vector<QPoint>> strokes; // the cells of the bitmap at scale 1
    QPainterPath outline;                     // the middle of the smooth stroke, in cells
};

QPainterPath zeroOutline()
{
    QPainterPath path;
    path.addRoundedRect(QRectF(0.5, 0.5, 4, 8), 2, 2.4);
    return path;
}
QPainterPath twoOutline()
{
    QPainterPath path(QPointF(0.55, 2.4));
    path.cubicTo(0.55, 1.2, 1.4, 0.5, 2.5, 0.5);
    path.cubicTo(3.65, 0.5, 4.45, 1.25, 4.45, 2.4);
    path.cubicTo(4.45, 4.1, 2.2, 5.6, 0.5, 8.5);
    path.lineTo(5, 8.5);
    return path;
}
QPainterPath fourOutline()
{
    QPainterPath path(QPointF(3.5, 9));
    path.lineTo(3.5, 0.5);
    path.lineTo(0.5, 6.5);
    path.lineTo(5, 6.5);
    return path;
}
QPainterPath sixOutline()
{
    QPainterPath path(QPointF(4.2, 1.1));
    path.cubicTo(3.8, 0.7, 3.2, 0.5, 2.6, 0.5);
    path.cubicTo(1.1, 0.5, 0.5, 2.0, 0.5, 4.5);
    path.lineTo(0.5, 6.5);
    path.addEllipse(QRectF(0.5, 4.5, 4, 4));
    return path;
}
QPainterPath minusOutline()
{
    QPainterPath path(QPointF(0, 4.5));
    path.lineTo(2, 4.5);
    return path;
}

const Glyph &glyph(char c)
{
    static const Glyph minus{2, {{{0, 4}, {1, 4}}}, minusOutline()};
    static const Glyph zero{
        5,
        {{{1, 0}, {3, 0}, {4, 1}, {4, 7}, {3, 8}, {1, 8}, {0, 7}, {0, 1}, {1, 0}}},
        zeroOutline()};
    static const Glyph two{
        5, {{{0, 1}, {1, 0}, {3, 0}, {4, 1}, {4, 3}, {0, 7}, {0, 8}, {4, 8}}}, twoOutline()};
    static const Glyph four{5, {{{3, 8}, {3, 0}, {0, 6}, {4, 6}}}, fourOutline()};
    static const Glyph six{
        5,
        {{{3, 0}, {2, 0}, {0, 2}, {0, 7}, {1, 8}, {3, 8}, {4, 7}, {4, 5}, {3, 4}, {0, 4}}},
        sixOutline()};
    switch (c) {
    case '-': return minus;
    case '0': return zero;
    case '2': return two;
    case '4': return four;
    case '6': return six;
    }
    std::abort(); // the grid only ever labels these
}

int textWidth(const char *text)
{
    int width = -glyphGap;
    for (const char *c = text; *c; ++c)
        width += glyph(*c).width + glyphGap;
    return width;
}

// Paints the grid's picture pixels ("cells") at any scale. Cell c starts at device pixel
// round(c * scale) and is max(1, round(scale)) device pixels wide, so every straight line is a
// run of whole device pixels in one colour: no blurred lines at fractional scales, and each line
// within half a device pixel of where the scale puts it. At whole scales a cell is exactly
// scale x scale device pixels, and the arrowheads' diagonals step through device pixels with a
// cell-sized square brush; at fractional ones there is no such brush, so they are antialiased
// instead. The digits are stepped the same way at scale 1 only: above it they are drawn smooth.
class GridCanvas {
public:
    GridCanvas(QSize cells, qreal scale)
        : image_(qCeil(cells.width() * scale), qCeil(cells.height() * scale), QImage::Format_RGB32)
        , scale_(scale)
        , weight_(std::max(1, qRound(scale)))
        , whole_(std::floor(scale) == scale)
    {
        image_.fill(gridWhite);
    }

    QImage image() const
    {
        QImage result = image_;
        result.setDevicePixelRatio(scale_);
        return result;
    }

    // A line across the whole picture at a cell column or row.
    void column(int x, QRgb colour)
    {
        fillDevice(QRect(at(x), 0, weight_, image_.height()), colour);
    }
    void row(int y, QRgb colour) { fillDevice(QRect(0, at(y), image_.width(), weight_), colour); }

    // Row y from the left edge up to cell column last, both included.
    void rowUpTo(int y, int last, QRgb colour)
    {
        fillDevice(QRect(0, at(y), at(last) + weight_, weight_), colour);
    }

    // A tick across the axis at row (or column) axis, reaching `reach` cells to either side. It
    // stands out equally on both sides, as near its scaled length as that allows.
    void verticalTick(int x, int axis, int reach, QRgb colour)
    {
        const int r = tickOverhang(reach);
        fillDevice(QRect(at(x), at(axis) - r, weight_, weight_ + 2 * r), colour);
    }
    void horizontalTick(int y, int axis, int reach, QRgb colour)
    {
        const int r = tickOverhang(reach);
        fillDevice(QRect(at(axis) - r, at(y), weight_ + 2 * r, weight_), colour);
    }

    // A one-cell-wide line from cell a to cell b, both included.
    void line(QPoint a, QPoint b, QRgb colour)
    {
        if (whole_) {
            stepLine(a, b, colour);
            return;
        }
        // From the middle of cell a, which lies on an axis, by the scaled distance to b: rounding
        // b on its own could make the two strokes of an arrowhead spread unequally. As heavy as
        // the axes; the round caps keep the tip inside the axis.
        const qreal half = weight_ / 2.0;
        const QPointF from(at(a.x()) + half, at(a.y()) + half);
        QPainter p(&image_);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(QColor(colour), weight_, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(from, from + QPointF(b - a) * scale_);
    }

    void text(QPoint topLeft, const char *text, QRgb colour)
    {
        int advance = 0; // cells from topLeft to the current glyph
        for (const char *c = text; *c; ++c) {
            const Glyph &g = glyph(*c);
            if (scale_ == 1) {
                const QPoint origin = topLeft + QPoint(advance, 0);
                for (const auto &stroke : g.strokes)
                    for (std::size_t i = 1; i < stroke.size(); ++i)
                        stepLine(origin + stroke[i - 1], origin + stroke[i], colour);
            } else {
                // The advance is rounded on its own, not with the label's position, so that the
                // gap after a minus never shrinks below what the scale gives it.
                drawGlyph(QPoint(at(topLeft.x()) + qRound(advance * scale_), at(topLeft.y())), g,
                          colour);
            }
            advance += g.width + glyphGap;
        }
    }

private:
    int at(int cell) const { return qRound(cell * scale_); }
    int tickOverhang(int reach) const { return qRound(((2 * reach + 1) * scale_ - weight_) / 2); }

    // Bresenham in device pixels, stamping a whole cell at each step.
    void stepLine(QPoint a, QPoint b, QRgb colour)
    {
        int x = at(a.x()), y = at(a.y());
        const int x1 = at(b.x()), y1 = at(b.y());
        const int dx = std::abs(x1 - x), dy = -std::abs(y1 - y);
        const int sx = x < x1 ? 1 : -1, sy = y < y1 ? 1 : -1;
        int error = dx + dy;
        for (;;) {
            fillDevice(QRect(x, y, weight_, weight_), colour);
            if (x == x1 && y == y1) break;
            const int twice = 2 * error;
            if (twice >= dy) {
                error += dy;
                x += sx;
            }
            if (twice <= dx) {
                error += dx;
                y += sy;
            }
        }
    }

    // The smooth glyph at its true size from device pixel origin, one cell thick. Starting on a
    // whole device pixel, a digit looks the same wherever it is; the clip keeps the corners of the
    // four inside the glyph's box.
    void drawGlyph(QPoint origin, const Glyph &g, QRgb colour)
    {
        QPainter p(&image_);
        p.setRenderHint(QPainter::Antialiasing);
        p.translate(origin);
        p.scale(scale_, scale_);
        p.setClipRect(QRectF(0, 0, g.width, glyphHeight));
        p.setPen(QPen(QColor(colour), 1, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
        p.drawPath(g.outline);
    }

    void fillDevice(const QRect &area, QRgb colour)
    {
        const QRect clipped = area.intersected(image_.rect());
        for (int y = clipped.top(); y <= clipped.bottom(); ++y) {
            auto *pixels = reinterpret_cast<QRgb *>(image_.scanLine(y));
            std::fill(pixels + clipped.left(), pixels + clipped.right() + 1, colour);
        }
    }

    QImage image_;
    qreal scale_;
    int weight_; // device pixels across a one-cell line
    bool whole_; // whether the scale is a whole number
};

} // namespace

int gridColumn(int x)
{
    return int(std::floor((x + 8) * planeUnit + 0.5));
}

int gridRow(int y)
{
    return gridColumn(-y) - 1;
}

QImage planeGrid(qreal scale)
{
    GridCanvas canvas(gridPictureSize, scale);
    for (int x = -8; x <= 7; ++x)
        if (x != 0) canvas.column(gridColumn(x), gridTeal);
    for (int y = 7; y >= -7; --y)
        if (y != 0) canvas.row(gridRow(y), gridTeal);

    // Axes with open arrowheads at the top and the right.
    canvas.column(yAxisColumn, gridBlack);
    canvas.line({yAxisColumn, 0}, {yAxisColumn - arrowSpread, arrowLength}, gridBlack);
    canvas.line({yAxisColumn, 0}, {yAxisColumn + arrowSpread, arrowLength}, gridBlack);
    canvas.rowUpTo(xAxisRow, xAxisEnd, gridBlack);
    canvas.line({xAxisEnd, xAxisRow}, {xAxisEnd - arrowLength, xAxisRow - arrowSpread}, gridBlack);
    canvas.line({xAxisEnd, xAxisRow}, {xAxisEnd - arrowLength, xAxisRow + arrowSpread}, gridBlack);

    for (const Tick &tick : xTicks) {
        canvas.verticalTick(tick.at, xAxisRow, tickReach, gridBlack);
        canvas.text({tick.at + xLabelOffset, xLabelTop}, tick.label, gridBlack);
    }
    for (const Tick &tick : yTicks) {
        canvas.horizontalTick(tick.at, yAxisColumn, tickReach, gridBlack);
        canvas.text({yLabelRight + 1 - textWidth(tick.label), tick.at + yLabelDrop}, tick.label,
                    gridBlack);
    }
    canvas.text(zeroLabel, "0", gridBlack);
    return canvas.image();
}

} // namespace tavrilo::pictures
