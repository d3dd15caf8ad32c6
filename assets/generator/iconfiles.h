// The icon file formats of Windows and macOS, and the palette the PNG icons are stored with.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>

namespace tavrilo::pictures {

// The image as an 8-bit palette image when it has at most 256 colours, otherwise unchanged.
QImage withPalette(const QImage &image);

// A Windows .ico file holding the given square images (each at most 256 px) as 32-bit entries.
QByteArray windowsIcon(const QList<QImage> &images);

// A macOS .icns file holding the given square images as PNG entries (128, 256 or 512 px each).
QByteArray appleIcon(const QList<QImage> &images);

} // namespace tavrilo::pictures
