#include "windowpictures.h"

#include "planegrid.h"

#include <QPixmapCache>
#include <QResource>
#include <QSysInfo>

namespace tavrilo {

namespace {

// Made once per ratio; Qt's pixmap cache lets them go with the application.
template <typename Make> QPixmap cached(const char *name, qreal ratio, Make make)
{
    const QString key = QStringLiteral("tavrilo/%1@%2").arg(QLatin1String(name)).arg(ratio);
    QPixmap picture;
    if (!QPixmapCache::find(key, &picture)) {
        picture = make();
        picture.setDevicePixelRatio(ratio);
        QPixmapCache::insert(key, picture);
    }
    return picture;
}

// A picture stored as the pixels it shows (0xffRRGGBB words, little-endian), used where it lies in
// the program file: nothing to decode at start-up. Its PNG twin serves other byte orders.
QPixmap rawPicture(const QString &name, QSize size, const QString &png)
{
    if constexpr (QSysInfo::ByteOrder == QSysInfo::LittleEndian) {
        const QResource raw(QStringLiteral(":/pictures/%1.rgb32").arg(name));
        if (raw.isValid() && raw.size() == qint64(size.width()) * size.height() * 4)
            return QPixmap::fromImage(
                QImage(raw.data(), size.width(), size.height(), QImage::Format_RGB32));
    }
    return QPixmap(QStringLiteral(":/pictures/") + png);
}

} // namespace

QPixmap planeGridPicture(qreal ratio)
{
    // Drawing it takes less time than decoding a stored picture would.
    return cached("plane-grid", ratio,
                  [ratio] { return QPixmap::fromImage(pictures::planeGrid(ratio)); });
}

QPixmap backgroundPicture(qreal ratio)
{
    return cached("background", ratio, [ratio] {
        if (ratio <= 1)
            return rawPicture(QStringLiteral("background"), {707, 488},
                              QStringLiteral("background.png"));
        QPixmap fine(QStringLiteral(":/pictures/background@2x.png"));
        if (ratio == 2) return fine;
        // Made once at the screen's resolution from the finer drawing, never from the coarse one.
        return fine.scaled((QSizeF(fine.size()) * ratio / 2).toSize(), Qt::IgnoreAspectRatio,
                           Qt::SmoothTransformation);
    });
}

QIcon programIcon()
{
    QIcon icon;
    for (int size : {48, 64, 128, 256}) {
        const QString name = QStringLiteral("icon-%1").arg(size);
        icon.addPixmap(rawPicture(name, {size, size},
                                  size == 48 ? QStringLiteral("icon.png") : name + ".png"));
    }
    return icon;
}

} // namespace tavrilo
