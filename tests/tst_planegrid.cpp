// The pictures against their numbers: the plane grid, on whose crossings and axes the quiz's dots
// land, at the ratios the program draws it at (sharp on high-DPI screens too), and its shipped
// renderings; the background's plain field and the icon's frame.
#include "planegrid.h"

#include <QDebug>
#include <QHash>
#include <QImage>
#include <QTest>
#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;
using tavrilo::pictures::gridColumn;
using tavrilo::pictures::gridRow;

namespace {

// Colours without their alpha, as rgb() gives them.
constexpr QRgb white = 0xffffff, teal = 0x60a5a0, black = 0, field = 0xc3ffff, crimson = 0xae1739;
const auto rgb = [](QRgb c) { return c & 0xffffff; };
// Ink of a label or an arrowhead: black, or an antialiased edge that is mostly black.
const auto isDark = [](QRgb c) { return qGray(c) < 128; };
const auto describe = [](QRgb c, int x, int y) {
    return QString::asprintf("RGB(%d, %d, %d) at (%d, %d)", qRed(c), qGreen(c), qBlue(c), x, y);
};
constexpr int evens[] = {-6, -4, -2, 2, 4, 6}; // the values with a tick and a label
const int yAxis = gridColumn(0), xAxis = gridRow(0), xAxisEnd = 284;

// Where picture pixels land at a scale: pixel c starts at device pixel round(c * s) and is
// max(1, round(s)) device pixels wide.
struct Device {
    qreal s;
    int w = std::max(1, int(std::lround(s)));
    int at(int c) const { return int(std::lround(c * s)); }
    int end(int c) const { return at(c) + w; }
    bool on(int d, int c) const { return d >= at(c) && d < end(c); }
    QRect device(const QRect &r) const
    {
        return QRect(QPoint(at(r.left()), at(r.top())),
                     QPoint(at(r.right() + 1) - 1, at(r.bottom() + 1) - 1));
    }
};

// Where each tick label's ink belongs: 9 px tall, a digit 5 px wide, a minus 2 px and 1 px before
// it; above the x axis just right of the tick, left of the y axis clear of the tick and just below.
QList<std::pair<QString, QRect>> labels()
{
    QList<std::pair<QString, QRect>> list{{u"0"_s, QRect(yAxis + 2, xAxis - 10, 5, 9)}};
    for (const int v : evens) {
        const int width = v < 0 ? 8 : 5;
        list.append({QString::number(v), QRect(gridColumn(v) + 2, xAxis - 10, width, 9)});
        list.append({QString::number(v), QRect(yAxis - 4 - width, gridRow(v) + 2, width, 9)});
    }
    return list;
}

} // namespace

class TestPictures : public QObject {
    Q_OBJECT

private slots:
    void linesLieWhereTheScalePutsThem()
    {
        // x = -8 ... 7 (the y axis at 0) across 285 px, rounded; y = 7 ... -7 a pixel higher.
        const int columns[] = {0,   18,  36,  53,  71,  89,  107, 125,
                               143, 160, 178, 196, 214, 232, 249, 267};
        const int rows[] = {17, 35, 52, 70, 88, 106, 124, 142, 159, 177, 195, 213, 231, 248, 266};
        for (int x = -8; x <= 7; ++x)
            QCOMPARE(gridColumn(x), columns[x + 8]);
        for (int y = 7; y >= -7; --y)
            QCOMPARE(gridRow(y), rows[7 - y]);
    }

    void shippedGridIsTheDrawnOne()
    {
        // Screens at other ratios get the drawing, so both must be the same picture.
        for (const auto &[scale, name] :
             {std::pair{1.0, "plane-grid.png"}, {2.0, "plane-grid@2x.png"}})
            QVERIFY2(QImage(QStringLiteral(TAVRILO_PICTURES "/") + name)
                             .convertToFormat(QImage::Format_RGB32) ==
                         tavrilo::pictures::planeGrid(scale),
                     "not what the drawing code draws: redraw it (target pictures)");
    }

    void gridIsDrawnToItsNumbers_data()
    {
        QTest::addColumn<qreal>("scale");
        for (const qreal s : {1.0, 1.25, 1.5, 2.0})
            QTest::addRow("%gx", s) << s;
    }
    void gridIsDrawnToItsNumbers()
    {
        QFETCH(qreal, scale);
        const Device d{scale};
        const QImage image = tavrilo::pictures::planeGrid(scale);
        // Every device pixel is black on an axis, pure teal on a grid line and pure white
        // elsewhere, but where arrowheads, ticks and labels go: no line missing, moved, widened,
        // blurred or added (as at column 285 or rows 0 and 280, which the plane's box cuts off),
        // and the x axis stops at its tip. Painted at its ratio it covers the plane's 288 x 281.
        QCOMPARE(image.devicePixelRatio(), d.s);
        const QSizeF logical = image.deviceIndependentSize();
        QCOMPARE(QSize(int(logical.width()), int(logical.height())), QSize(288, 281));
        // Where arrowheads, ticks and labels go, with a pixel's room for antialiased edges.
        QList<QRect> ink{d.device(QRect(QPoint(136, 0), QPoint(150, 18))),
                         d.device(QRect(QPoint(266, 135), QPoint(285, 149)))};
        for (const int v : evens)
            ink << d.device(QRect(gridColumn(v) - 1, xAxis - 4, 3, 9))
                << d.device(QRect(yAxis - 4, gridRow(v) - 1, 9, 3));
        for (const auto &label : labels())
            ink << d.device(label.second.adjusted(-2, -2, 2, 2));
        // The grid lines at x = -8 ... 7 and y = -7 ... 7, the axes apart.
        QList<int> columns, rows;
        for (int v = -8; v <= 7; ++v)
            if (v) columns << gridColumn(v), rows << gridRow(std::max(v, -7));
        const auto onAny = [&d](int p, const QList<int> &lines) {
            return std::ranges::any_of(lines, [&](int c) { return d.on(p, c); });
        };
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const bool axis = d.on(x, yAxis) || (d.on(y, xAxis) && x < d.end(xAxisEnd));
                if (!axis && !d.on(y, xAxis) &&
                    std::ranges::any_of(ink, [&](QRect r) { return r.contains(x, y); }))
                    continue;
                const bool line = onAny(x, columns) || onAny(y, rows);
                const QRgb want = axis ? black : line ? teal : white;
                if (rgb(image.pixel(x, y)) != want)
                    QFAIL(qPrintable(describe(image.pixel(x, y), x, y) +
                                     QString::asprintf(", not #%06x", want)));
            }

        // The arrowheads: two strokes from each tip, 17 px back along the axis and 6 px out to
        // either side, with nothing between them and the axis.
        // The axis (vertical or not), its tip, its column or row, and which way is back from it.
        for (const auto &[vertical, tip, line, back] :
             {std::tuple{true, 0, yAxis, 1}, std::tuple{false, xAxisEnd, xAxis, -1}})
            for (const int side : {-1, 1})
                for (int along = 2; along <= 16; along += 2) {
                    const int at = d.at(tip + along * back) + d.w / 2;
                    const qreal middle = d.at(line) + d.w / 2.0;
                    qreal out = -1; // picture pixels from the middle of the axis to the first ink
                    for (int across = side < 0 ? d.at(line) - 1 : d.end(line);
                         out < 0 && std::abs(across - middle) < 9 * d.s; across += side)
                        if (isDark(vertical ? image.pixel(across, at) : image.pixel(at, across)))
                            out = std::abs(across + 0.5 - middle) / d.s;
                    QVERIFY2(std::abs(out - 6.0 * along / 17) <= 1.5,
                             qPrintable(
                                 QString::asprintf("%c axis, side %d, %d px back: stroke %g px out",
                                                   vertical ? 'y' : 'x', side, along, out)));
                }

        // Ticks 7 px long, centred on the axis. Each label's ink fills its place to within a device
        // pixel: stepped pixels at scale 1, smooth above it; the same text looks the same on both
        // axes, and different texts differ.
        for (const bool onX : {true, false})
            for (const int v : evens) {
                // Black runs out from the axis along the middle of the tick.
                const int axis = d.at(onX ? xAxis : yAxis);
                const int across = d.at(onX ? gridColumn(v) : gridRow(v)) + d.w / 2;
                const auto isBlack = [&, &grid = image](int a) {
                    return rgb(onX ? grid.pixel(across, a) : grid.pixel(a, across)) == black;
                };
                int before = 0, after = 0;
                while (isBlack(axis - 1 - before))
                    ++before;
                while (isBlack(axis + d.w + after))
                    ++after;
                QVERIFY2(
                    before == after && std::abs(before + d.w + after - 7 * d.s) <= 1,
                    qPrintable(QString::asprintf("tick %c = %d: %d px out one side, %d the other",
                                                 onX ? 'x' : 'y', v, before, after)));
            }
        QHash<QString, QImage> looks;
        for (const auto &[text, cells] : labels()) {
            // Exactly in its cells at whole scales, within a device pixel of them at others.
            const int room = d.s == std::floor(d.s) ? 0 : 1;
            const QRect want = d.device(cells), search = want.adjusted(-1, -1, 1, 1);
            QRect ink;
            int greys = 0;
            for (int y = search.top(); y <= search.bottom(); ++y)
                for (int x = search.left(); x <= search.right(); ++x) {
                    const QRgb c = image.pixel(x, y);
                    if (isDark(c)) ink |= QRect(x, y, 1, 1);
                    greys += want.contains(x, y) && qRed(c) == qGreen(c) && qGreen(c) == qBlue(c) &&
                             qRed(c) % 255 != 0;
                }
            QVERIFY2(want.adjusted(-room, -room, room, room).contains(ink) &&
                         ink.contains(want.adjusted(room, room, -room, -room)),
                     qPrintable(text + u": ink "_s + QDebug::toString(ink) + u", not "_s +
                                QDebug::toString(want)));
            QVERIFY2((greys > 0) == (d.s != 1), qPrintable(text + u": grey edges, or none"_s));
            const QImage look = image.copy(ink);
            QVERIFY2(looks.value(text, look) == look,
                     qPrintable(text + u" differs between axes"_s));
            looks.insert(text, look);
        }
        for (auto i = looks.cbegin(); i != looks.cend(); ++i)
            for (auto j = std::next(i); j != looks.cend(); ++j)
                QVERIFY2(i.value() != j.value(), qPrintable(i.key() + u" looks like "_s + j.key()));
    }

    void backgroundAndIconKeepTheirColours()
    {
        // The window's labels sit on the field, so it must be plain there.
        const QImage image(u":/pictures/background.png"_s);
        const QRect motifs[] = {QRect(QPoint(0, 0), QPoint(71, 143)),
                                QRect(QPoint(184, 8), QPoint(492, 39)),
                                QRect(QPoint(612, 333), QPoint(706, 487))};
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (std::ranges::none_of(motifs, [&](QRect r) { return r.contains(x, y); }) &&
                    rgb(image.pixel(x, y)) != field)
                    QFAIL(qPrintable(describe(image.pixel(x, y), x, y)));
        // The icon at each size: every pixel opaque, the frame at least 2 px deep all round.
        for (const int size : {48, 64, 128, 256}) {
            const QImage image(size == 48 ? u":/pictures/icon.png"_s
                                          : u":/pictures/icon-%1.png"_s.arg(size));
            QCOMPARE(image.size(), QSize(size, size));
            for (int y = 0; y < size; ++y)
                for (int x = 0; x < size; ++x) {
                    const QRgb c = image.pixel(x, y);
                    const bool frame = std::min({x, y, size - 1 - x, size - 1 - y}) < 2;
                    if (qAlpha(c) != 255 || (frame && rgb(c) != crimson))
                        QFAIL(qPrintable(u"alpha %1, "_s.arg(qAlpha(c)) + describe(c, x, y)));
                }
        }
    }
};

QTEST_GUILESS_MAIN(TestPictures)
#include "tst_planegrid.moc"
