// Drawing of the program's three pictures: the plane grid, the window background and the icon.
// Each function draws at device resolution for the given scale, so the @2x renderings are drawn
// afresh rather than enlarged. The program links this too, to draw the grid for screens whose
// device pixel ratio has no shipped rendering.
#pragma once

#include <QByteArray>
#include <QFont>
#include <QImage>
#include <QList>

namespace tavrilo::pictures {

// The squared coordinate plane with axes, ticks and tick labels, 288 x 281 at scale 1, drawn at
// any scale >= 1 into ceil(288 * scale) x ceil(281 * scale) device pixels, with that device pixel
// ratio. Every grid line and axis is max(1, round(scale)) whole device pixels of pure teal or
// black from device pixel round(c * scale) for picture column or row c. At whole scales every
// pixel is white, teal or black; at fractional ones only the arrowheads' diagonals and the digits
// are antialiased. The digits come from a built-in stroke font and nothing is read from files, so
// the picture is the same on every machine and the program can draw it for its screen.
QImage planeGrid(qreal scale);

// The window background, 707 x 488 at scale 1: desk things at the top left, the title at the top
// and the stargazer panel at the bottom right, on the pale cyan field. titleFont names the
// typeface of the title; its size is chosen here.
QImage background(int scale, const QFont &titleFont);

// The window icon, size x size, fully opaque; letterFont names the typeface of the lettering.
QImage icon(int size, const QFont &letterFont);

// The image as an 8-bit palette image when it has at most 256 colours, otherwise unchanged.
QImage withPalette(const QImage &image);

// A Windows .ico file holding the given square images (each at most 256 px) as 32-bit entries.
QByteArray windowsIcon(const QList<QImage> &images);

// A macOS .icns file holding the given square images as PNG entries (128, 256 or 512 px each).
QByteArray appleIcon(const QList<QImage> &images);

} // namespace tavrilo::pictures
