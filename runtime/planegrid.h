// The plane grid picture that both planes show. The program draws it for its screen's device pixel
// ratio, so it is code rather than a stored picture.
#pragma once

#include <QImage>
#include <QSize>

namespace tavrilo::pictures {

// Picture pixels per unit of the planes' -8 ... 8 scale: their 285-px drawing area over 16 units.
inline constexpr double planeUnit = 285.0 / 16;
inline constexpr QSize gridPictureSize{288, 281};

// The picture column of the line at x = -8 ... 7 (the y axis at 0): where the scale puts x, rounded
// half up.
int gridColumn(int x);
// The picture row of the line at y = 7 ... -7 (the x axis at 0): one pixel above where the scale
// puts y, rounded half up, as the planes' user scale rounds it.
int gridRow(int y);

// The squared coordinate plane with axes, ticks and tick labels, 288 x 281 at scale 1, drawn at
// any scale >= 1 into ceil(288 * scale) x ceil(281 * scale) device pixels, with that device pixel
// ratio. Every grid line and axis is max(1, round(scale)) whole device pixels of pure teal or
// black from device pixel round(c * scale) for picture column or row c. At scale 1 every pixel is
// white, teal or black; above it the digits are smooth and antialiased, and so are the arrowheads'
// diagonals at fractional scales. The digits come from a built-in stroke font and nothing is read
// from files, so the picture is the same on every machine.
QImage planeGrid(qreal scale);

} // namespace tavrilo::pictures
