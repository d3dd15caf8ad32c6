#include "windowpictures.h"

#include "pictures.h"

#include <QPixmap>

namespace tavrilo {

namespace {

// One picture, kept for the last ratio asked for: a window is painted at one ratio at a time.
template <typename Make> QPixmap cached(QPixmap &picture, qreal ratio, Make make)
{
    if (picture.isNull() || picture.devicePixelRatio() != ratio) {
        picture = make();
        picture.setDevicePixelRatio(ratio);
    }
    return picture;
}

} // namespace

QPixmap planeGridPicture(qreal ratio)
{
    static QPixmap picture;
    return cached(picture, ratio, [ratio] {
        if (ratio == 1) return QPixmap(QStringLiteral(":/pictures/plane-grid.png"));
        if (ratio == 2) return QPixmap(QStringLiteral(":/pictures/plane-grid@2x.png"));
        return QPixmap::fromImage(pictures::planeGrid(ratio));
    });
}

QPixmap backgroundPicture(qreal ratio)
{
    static QPixmap picture;
    return cached(picture, ratio, [ratio] {
        if (ratio <= 1) return QPixmap(QStringLiteral(":/pictures/background.png"));
        QPixmap fine(QStringLiteral(":/pictures/background@2x.png"));
        if (ratio == 2) return fine;
        // Made once at the screen's resolution from the finer drawing, never from the coarse one.
        return fine.scaled((QSizeF(fine.size()) * ratio / 2).toSize(), Qt::IgnoreAspectRatio,
                           Qt::SmoothTransformation);
    });
}

QIcon programIcon()
{
    QIcon icon(QStringLiteral(":/pictures/icon.png"));
    for (int size : {64, 128, 256})
        icon.addFile(QStringLiteral(":/pictures/icon-%1.png").arg(size), QSize(size, size));
    return icon;
}

} // namespace tavrilo
