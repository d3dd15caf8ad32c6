#include "windowpictures.h"

#include "browser.h"
#include "planegrid.h"

#include <QPixmapCache>
#include <QResource>
#include <QSysInfo>

namespace tavrilo {

namespace {

constexpr QSize backgroundSize{707, 488};

// A picture stored as the pixels it shows (0xffRRGGBB words, little-endian), used where it lies in
// the program file: nothing to decode at start-up. Its PNG twin serves other byte orders.
QImage rawPicture(const QString &name, QSize size, const QString &png)
{
    if constexpr (QSysInfo::ByteOrder == QSysInfo::LittleEndian) {
        const QResource raw(QStringLiteral(":/pictures/%1.rgb32").arg(name));
        if (raw.isValid() && raw.size() == qint64(size.width()) * size.height() * 4)
            return QImage(raw.data(), size.width(), size.height(), QImage::Format_RGB32);
    }
    return QImage(QStringLiteral(":/pictures/") + png);
}

// The background as drawn at scale 1 or 2. In a web page the program carries none and the page
// fetches it: null until the page has it.
QImage backgroundDrawing(int scale)
{
    const QString file =
        scale == 1 ? QStringLiteral("background.png") : QStringLiteral("background@2x.png");
    if (browser::inPage()) return browser::picture(file);
    return scale == 1 ? rawPicture(QStringLiteral("background"), backgroundSize, file)
                      : QImage(QStringLiteral(":/pictures/") + file);
}

} // namespace

// Each made once per ratio; Qt's pixmap cache lets them go with the application.

QPixmap planeGridPicture(qreal ratio)
{
    const QString key = QStringLiteral("tavrilo/plane-grid@%1").arg(ratio);
    QPixmap picture;
    if (!QPixmapCache::find(key, &picture)) {
        // Drawing it takes less time than decoding a stored picture would.
        picture = QPixmap::fromImage(pictures::planeGrid(ratio));
        picture.setDevicePixelRatio(ratio);
        QPixmapCache::insert(key, picture);
    }
    return picture;
}

QPixmap backgroundPicture(qreal ratio)
{
    const QString key = QStringLiteral("tavrilo/background@%1").arg(ratio);
    QPixmap picture;
    if (QPixmapCache::find(key, &picture)) return picture;
    QImage drawing = backgroundDrawing(ratio > 1 ? 2 : 1);
    // While a page fetches the drawing for a new ratio, the other one stands in.
    const bool standIn = drawing.isNull();
    if (standIn) drawing = backgroundDrawing(ratio > 1 ? 1 : 2);
    if (drawing.isNull()) return picture;
    qreal drawn = qreal(drawing.width()) / backgroundSize.width();
    if (ratio > 1 && ratio != drawn) {
        // Made at the screen's resolution from the finer drawing, from the coarse one only while
        // it stands in.
        drawing = drawing.scaled((QSizeF(backgroundSize) * ratio).toSize(), Qt::IgnoreAspectRatio,
                                 Qt::SmoothTransformation);
        drawn = ratio;
    }
    picture = QPixmap::fromImage(std::move(drawing));
    picture.setDevicePixelRatio(drawn);
    if (!standIn) QPixmapCache::insert(key, picture);
    return picture;
}

QIcon programIcon()
{
    QIcon icon;
    for (int size : {48, 64, 128, 256}) {
        const QString name = QStringLiteral("icon-%1").arg(size);
        icon.addPixmap(QPixmap::fromImage(rawPicture(
            name, {size, size}, size == 48 ? QStringLiteral("icon.png") : name + ".png")));
    }
    return icon;
}

} // namespace tavrilo
