#include "iconfiles.h"

#include <QBuffer>
#include <QDataStream>
#include <QIODevice>
#include <QSet>

namespace tavrilo::pictures {

QImage withPalette(const QImage &image)
{
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            colours.insert(image.pixel(x, y));
            if (colours.size() > 256) return image;
        }
    return image.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither | Qt::AvoidDither);
}

QByteArray windowsIcon(const QList<QImage> &images)
{
    // ICONDIR, one ICONDIRENTRY per image, then each image as a BITMAPINFOHEADER with twice the
    // height (colour rows then the AND mask), rows bottom-up, 32-bit BGRA and an all-clear mask.
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    out << quint16(0) << quint16(1) << quint16(images.size());

    QList<QByteArray> entries;
    for (const QImage &source : images) {
        const QImage image = source.convertToFormat(QImage::Format_ARGB32);
        const int size = image.width();
        const int maskStride = ((size + 31) / 32) * 4;
        QByteArray entry;
        QDataStream e(&entry, QIODevice::WriteOnly);
        e.setByteOrder(QDataStream::LittleEndian);
        e << quint32(40) << qint32(size) << qint32(2 * size) << quint16(1) << quint16(32)
          << quint32(0) << quint32(size * size * 4 + maskStride * size) << qint32(0) << qint32(0)
          << quint32(0) << quint32(0);
        for (int y = size - 1; y >= 0; --y)
            for (int x = 0; x < size; ++x) {
                const QRgb c = image.pixel(x, y);
                e << quint8(qBlue(c)) << quint8(qGreen(c)) << quint8(qRed(c)) << quint8(qAlpha(c));
            }
        for (int i = 0; i < maskStride * size; ++i)
            e << quint8(0);
        entries.append(entry);
    }

    quint32 offset = 6 + 16 * images.size();
    for (qsizetype i = 0; i < images.size(); ++i) {
        const int size = images[i].width();
        out << quint8(size >= 256 ? 0 : size) << quint8(size >= 256 ? 0 : size) << quint8(0)
            << quint8(0) << quint16(1) << quint16(32) << quint32(entries[i].size())
            << quint32(offset);
        offset += entries[i].size();
    }
    for (const QByteArray &entry : entries)
        out.writeRawData(entry.constData(), int(entry.size()));
    return bytes;
}

QByteArray appleIcon(const QList<QImage> &images)
{
    // "icns", the file's length, then per image its type, the entry's length and the PNG bytes;
    // every number big-endian.
    QByteArray entries;
    QDataStream out(&entries, QIODevice::WriteOnly);
    for (const QImage &image : images) {
        const char *type = image.width() == 128 ? "ic07" : image.width() == 256 ? "ic08" : "ic09";
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "PNG");
        out.writeRawData(type, 4);
        out << quint32(8 + png.size());
        out.writeRawData(png.constData(), int(png.size()));
    }
    QByteArray bytes;
    QDataStream file(&bytes, QIODevice::WriteOnly);
    file.writeRawData("icns", 4);
    file << quint32(8 + entries.size());
    file.writeRawData(entries.constData(), int(entries.size()));
    return bytes;
}

} // namespace tavrilo::pictures
