#pragma once

#include <QImage>
#include <QPointF>
#include <array>
#include <functional>
#include <optional>

namespace tavrilo::testing {

// The plane picture's grid lines: the pixel column of x = -8 ... 7 and the pixel row of y = 8 ...
// -7 (no line at y = 8), as drawn in the picture, counted from the drawing area's corner.
inline constexpr std::array<int, 16> gridColumns{0,   18,  36,  53,  71,  89,  107, 125,
                                                 143, 160, 178, 196, 214, 232, 249, 267};
inline constexpr std::array<int, 16> gridRows{-1,  17,  35,  52,  70,  88,  106, 124,
                                              142, 159, 177, 195, 213, 231, 248, 266};

// The centre of the grid crossing of an integer point of -7 ... 7, in the drawing area.
inline QPointF crossing(int x, int y)
{
    return {gridColumns[size_t(x + 8)] + 0.5, gridRows[size_t(8 - y)] + 0.5};
}

inline bool isRed(QRgb p)
{
    return qRed(p) > 160 && qGreen(p) < 110 && qBlue(p) < 110;
}
inline bool isBlue(QRgb p)
{
    return qBlue(p) > 160 && qRed(p) < 110 && qGreen(p) < 110;
}

// The mean centre of the pixels that match, with their count; nothing if none match.
struct Blob {
    QPointF centre;
    int pixels = 0;
};
inline std::optional<Blob> findBlob(const QImage &image, const std::function<bool(QRgb)> &match)
{
    double sx = 0, sy = 0;
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (match(image.pixel(x, y))) {
                sx += x + 0.5;
                sy += y + 0.5;
                ++n;
            }
    if (n == 0) return std::nullopt;
    return Blob{{sx / n, sy / n}, n};
}

} // namespace tavrilo::testing
