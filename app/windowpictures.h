#pragma once

#include <QIcon>
#include <QPixmap>

namespace tavrilo {

// The window's pictures for a device pixel ratio, each made once per ratio and then shared.
// The plane grid: drawn at the screen's resolution, so that its lines stay sharp at every ratio.
QPixmap planeGridPicture(qreal ratio);
// The background: the drawing at ratio 1, the finer one above it. In a web page the page fetches
// them; while it fetches the one for a new ratio, the other stands in (browser.h).
QPixmap backgroundPicture(qreal ratio);

// The program's icon, drawn at 48, 64, 128 and 256 px, so that no size is blown up from a small
// one.
QIcon programIcon();

} // namespace tavrilo
