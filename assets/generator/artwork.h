// The window background and the icon, drawn by the generator; the program ships what it drew.
#pragma once

#include <QFont>
#include <QImage>

namespace tavrilo::pictures {

// The window background, 707 x 488 at scale 1: desk things at the top left, the title at the top
// and the stargazer panel at the bottom right, on the pale cyan field. titleFont names the
// typeface of the title; its size is chosen here.
QImage background(int scale, const QFont &titleFont);

// The window icon, size x size, fully opaque; letterFont names the typeface of the lettering.
QImage icon(int size, const QFont &letterFont);

} // namespace tavrilo::pictures
