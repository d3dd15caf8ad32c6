#pragma once

// The window as a learner sees it: where its sixteen controls stand in the 706 x 487 client area
// and what they show, and the point a dot on a plane marks. The widget suite holds the window to
// this; the end-to-end test clicks and reads where it says.
#include "planegrid.h"

#include <QColor>
#include <QImage>
#include <QRect>
#include <cmath>
#include <string_view>

namespace tavrilo::testing {

struct Control {
    const char *name;
    QRect rect;
    const char *text; // UTF-8
    int fontPixels;   // bold Tavrilo Sans; 0 where there is no text
    QRgb ink, ground; // the text's colour, and the colour around it
    int alignment;    // horizontal
};

inline constexpr QRgb black = 0xff000000, navy = 0xff000080, red = 0xffff0000, blue = 0xff0000c0,
                      face = 0xff80ffff, field = 0xffc0ffff, white = 0xffffffff;
inline constexpr int left = Qt::AlignLeft, centre = Qt::AlignHCenter, right = Qt::AlignRight;
inline constexpr Control controls[] = {
    {"Command2", {64, 16, 113, 25}, "Начало", 13, black, face, centre},
    {"Label4", {512, 24, 137, 17}, "Сделано  ошибок:", 13, navy, field, left},
    {"Label5", {648, 24, 41, 25}, "", 16, red, field, centre},
    {"Label6", {504, 0, 137, 17}, "Задано вопросов:", 13, navy, field, left},
    {"Label7", {648, 0, 41, 25}, "", 16, navy, field, centre},
    {"Command5", {384, 416, 105, 25}, "Ещё точка", 13, black, face, centre},
    {"Command7", {528, 416, 89, 25}, "Выход", 13, black, face, centre},
    {"Command3", {376, 384, 121, 25}, "Принять ответ", 13, black, face, centre},
    {"Label1", {344, 352, 33, 25}, "x=", 16, black, field, right},
    {"Label2", {448, 352, 33, 25}, "y=", 16, black, field, right},
    {"t1", {376, 352, 33, 28}, "", 16, black, white, left},
    {"t2", {480, 352, 33, 28}, "", 16, black, white, left},
    {"p1", {64, 48, 289, 289}, "", 0, 0, white, 0},
    {"p2", {384, 48, 289, 289}, "", 0, 0, white, 0},
    {"Label3", {88, 344, 233, 41}, "Укажите координаты выделенной точки", 16, blue, field, centre},
    {"Label8", {520, 352, 89, 25}, "", 13, red, field, centre},
};

constexpr QRect rectOf(std::string_view name)
{
    for (const Control &c : controls)
        if (name == c.name) return c.rect;
    return {};
}

// The point that the one dot of the colour (pure red or blue) in a plane's drawing area marks, read
// at its device pixel ratio: a disc 6-8 px across on a grid crossing of -7 ... 7; offCrossing for
// anything else of the colour, noDot for nothing.
inline constexpr QPoint noDot(100, 100), offCrossing(99, 99);
inline QPoint readDot(const QImage &area, qreal ratio, QColor colour)
{
    QPointF sum;
    int n = 0;
    for (int y = 0; y < area.height(); ++y)
        for (int x = 0; x < area.width(); ++x) {
            const QColor p = area.pixelColor(x, y);
            if (std::max({qAbs(p.red() - colour.red()), qAbs(p.green() - colour.green()),
                          qAbs(p.blue() - colour.blue())}) < 96)
                sum += QPointF(x + 0.5, y + 0.5) / ratio, ++n;
        }
    const double across = 2 * std::sqrt(n / M_PI) / ratio;
    for (int x = -7; x <= 7; ++x)
        for (int y = -7; y <= 7; ++y) {
            using namespace pictures;
            const QPointF off = sum / n - QPointF(gridColumn(x) + 0.5, gridRow(y) + 0.5);
            if (qAbs(off.x()) <= 1.5 && qAbs(off.y()) <= 1.5 && across > 5.5 && across < 8.5)
                return QPoint(x, y);
        }
    return n ? offCrossing : noDot;
}

} // namespace tavrilo::testing
