// Checks the pictures against the geometry and colours they must have: the plane grid, on whose
// crossings and axes the quiz's dots land, at the scales the program shows it at (sharp on high-DPI
// screens too), the shipped grid renderings against its drawing, the background's field and the
// icon's frame.
#include "planegrid.h"

#include <QHash>
#include <QImage>
#include <QTest>
#include <algorithm>
#include <array>
#include <cmath>
#include <tuple>
#include <utility>

using namespace Qt::StringLiterals;

namespace {

// The grid in picture pixels, as at scale 1.
constexpr std::array gridColumns{0,   18,  36,  53,  71,  89,  107, 125,
                                 160, 178, 196, 214, 232, 249, 267};
constexpr std::array gridRows{17, 35, 52, 70, 88, 106, 124, 159, 177, 195, 213, 231, 248, 266};
constexpr int yAxis = 143, xAxis = 142, xAxisEnd = 284;
// Colours without their alpha, as rgb() gives them.
constexpr QRgb white = 0xffffff, teal = 0x60a5a0, black = 0, field = 0xc3ffff, crimson = 0xae1739;
// The even values carry a tick and a label: x = -6 ... 6 at these columns, y = 6 ... -6 at rows.
using Tick = std::pair<int, const char *>;
constexpr std::array<Tick, 6> xTicks{
    {{36, "-6"}, {71, "-4"}, {107, "-2"}, {178, "2"}, {214, "4"}, {249, "6"}}};
constexpr std::array<Tick, 6> yTicks{
    {{35, "6"}, {70, "4"}, {106, "2"}, {177, "-2"}, {213, "-4"}, {248, "-6"}}};

const auto rgb = [](QRgb c) { return c & 0xffffff; };
// Ink of a label or an arrowhead: black, or an antialiased edge that is mostly black.
const auto isDark = [](QRgb c) { return qGray(c) < 128; };
const auto describe = [](QRgb c, int x, int y) {
    return QString::asprintf("RGB(%d, %d, %d) at (%d, %d)", qRed(c), qGreen(c), qBlue(c), x, y);
};

// Where picture pixels land at a scale: pixel c starts at device pixel round(c * s) and is
// max(1, round(s)) device pixels wide.
struct Device {
    qreal s;
    int w;
    int at(int c) const { return int(std::lround(c * s)); }
    int end(int c) const { return at(c) + w; }
    bool on(int d, int c) const { return d >= at(c) && d < end(c); }
    bool onAny(int d, const auto &cells) const
    {
        return std::ranges::any_of(cells, [&](int c) { return on(d, c); });
    }
    // The device pixels of the cells.
    QRect device(const QRect &r) const
    {
        return QRect(QPoint(at(r.left()), at(r.top())),
                     QPoint(at(r.right() + 1) - 1, at(r.bottom() + 1) - 1));
    }
};

// Where each label's ink belongs: 9 px tall, a digit 5 px wide, a minus 2 px and 1 px before it.
QList<std::pair<QString, QRect>> labels()
{
    const auto width = [](const char *text) { return text[1] ? 8 : 5; };
    QList<std::pair<QString, QRect>> list;
    for (const auto &[at, text] : xTicks) // above the x axis, just right of the tick
        list.append({text, QRect(at + 2, xAxis - 10, width(text), 9)});
    for (const auto &[at, text] : yTicks) // left of the y axis clear of the tick, just below it
        list.append({text, QRect(yAxis - 4 - width(text), at + 2, width(text), 9)});
    list.append({u"0"_s, QRect(yAxis + 2, xAxis - 10, 5, 9)});
    return list;
}

void addScales()
{
    QTest::addColumn<qreal>("scale");
    for (const qreal s : {1.0, 1.25, 1.5, 2.0})
        QTest::addRow("%gx", s) << s;
}
// The grid drawn at the current row's scale.
std::pair<Device, QImage> drawnGrid()
{
    QFETCH(qreal, scale);
    return {Device{scale, std::max(1, int(std::lround(scale)))},
            tavrilo::pictures::planeGrid(scale)};
}

} // namespace

class TestPictures : public QObject {
    Q_OBJECT

private slots:
    void shippedGridIsTheDrawnOne_data()
    {
        QTest::addColumn<qreal>("scale");
        QTest::addColumn<QString>("path");
        QTest::newRow("1x") << 1.0 << "plane-grid.png";
        QTest::newRow("2x") << 2.0 << "plane-grid@2x.png";
    }
    void shippedGridIsTheDrawnOne()
    {
        // Screens at other ratios get the drawing, so both must be the same picture.
        QFETCH(qreal, scale);
        QFETCH(QString, path);
        const QImage shipped = QImage(QStringLiteral(TAVRILO_PICTURES "/") + path)
                                   .convertToFormat(QImage::Format_RGB32);
        const QImage drawn = tavrilo::pictures::planeGrid(scale);
        QVERIFY2(shipped == drawn, "not what the drawing code draws: redraw it (target pictures)");
    }

    void linesAndAxesAreSharpAndInPlace_data() { addScales(); }
    void linesAndAxesAreSharpAndInPlace()
    {
        // Every device pixel is black on an axis, pure teal on a listed grid line and pure white
        // elsewhere, but where arrowheads, ticks and labels go: no line missing, moved, widened,
        // blurred or added (as at column 285 or rows 0 and 280, which the plane's box cuts off),
        // and the x axis stops at its tip.
        const auto [d, image] = drawnGrid();
        // Painted at its ratio it covers the plane's 288 x 281, short of a pixel more.
        QCOMPARE(image.devicePixelRatio(), d.s);
        const QSizeF logical = image.deviceIndependentSize();
        QCOMPARE(QSize(int(logical.width()), int(logical.height())), QSize(288, 281));

        // Where arrowheads, ticks and labels go, with a pixel's room for antialiased edges.
        QList<QRect> ink{d.device(QRect(QPoint(136, 0), QPoint(150, 18))), // arrowheads
                         d.device(QRect(QPoint(266, 135), QPoint(285, 149)))};
        for (const auto &tick : xTicks)
            ink.append(d.device(QRect(tick.first - 1, xAxis - 4, 3, 9)));
        for (const auto &tick : yTicks)
            ink.append(d.device(QRect(yAxis - 4, tick.first - 1, 9, 3)));
        for (const auto &label : labels())
            ink.append(d.device(label.second.adjusted(-2, -2, 2, 2)));
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                // The x axis's row holds nothing past its tip.
                const bool axis = d.on(x, yAxis) || (d.on(y, xAxis) && x < d.end(xAxisEnd));
                if (!axis && !d.on(y, xAxis) &&
                    std::ranges::any_of(ink, [&](QRect r) { return r.contains(x, y); }))
                    continue;
                const bool line = d.onAny(x, gridColumns) || d.onAny(y, gridRows);
                const QRgb want = axis ? black : line ? teal : white;
                if (rgb(image.pixel(x, y)) != want)
                    QFAIL(qPrintable(describe(image.pixel(x, y), x, y) +
                                     QString::asprintf(", not #%06x", want)));
            }
    }

    void arrowheadsAreOpen_data() { addScales(); }
    void arrowheadsAreOpen()
    {
        // Two strokes from each tip, 17 px back along the axis and 6 px out to either side, with
        // nothing between them and the axis.
        const auto [d, image] = drawnGrid();
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
    }

    void evenValuesHaveTicksAndLabels_data() { addScales(); }
    void evenValuesHaveTicksAndLabels()
    {
        // Ticks 7 px long, centred on the axis. Each label's ink fills its place to within a device
        // pixel, smooth above scale 1; the same text looks the same on both axes, and different
        // texts differ.
        const auto [d, image] = drawnGrid();
        for (const bool onX : {true, false})
            for (const auto &[at, text] : onX ? xTicks : yTicks) {
                // Black runs out from the axis along the middle of the tick.
                const int axis = d.at(onX ? xAxis : yAxis), across = d.at(at) + d.w / 2;
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
                    qPrintable(QString::asprintf("tick %c = %s: %d px out one side, %d the other",
                                                 onX ? 'x' : 'y', text, before, after)));
            }
        QHash<QString, QImage> looks;
        for (const auto &[text, cells] : labels()) {
            // Exactly in its cells at whole scales, within a device pixel of them at others.
            const int room = d.s == std::floor(d.s) ? 0 : 1;
            const QRect want = d.device(cells), search = want.adjusted(-1, -1, 1, 1);
            QRect ink;
            for (int y = search.top(); y <= search.bottom(); ++y)
                for (int x = search.left(); x <= search.right(); ++x)
                    if (isDark(image.pixel(x, y))) ink |= QRect(x, y, 1, 1);
            QVERIFY2(want.adjusted(-room, -room, room, room).contains(ink) &&
                         ink.contains(want.adjusted(room, room, -room, -room)),
                     qPrintable(QString::asprintf(
                         "%s: ink (%d, %d)-(%d, %d), not (%d, %d)-(%d, %d)", qPrintable(text),
                         ink.left(), ink.top(), ink.right(), ink.bottom(), want.left(), want.top(),
                         want.right(), want.bottom())));
            // Above scale 1 smooth digits, with grey edges: not the scale-1 bitmap enlarged.
            int greys = 0;
            for (int y = want.top(); y <= want.bottom(); ++y)
                for (int x = want.left(); x <= want.right(); ++x) {
                    const QRgb c = image.pixel(x, y);
                    greys += qRed(c) == qGreen(c) && qGreen(c) == qBlue(c) && qRed(c) % 255 != 0;
                }
            QVERIFY2(d.s == 1 || greys > 0, qPrintable(text + u" has no grey edges"_s));
            const QImage look = image.copy(ink);
            if (looks.contains(text))
                QVERIFY2(looks.value(text) == look,
                         qPrintable(text + u" differs between the axes"_s));
            looks.insert(text, look);
        }
        for (auto i = looks.cbegin(); i != looks.cend(); ++i)
            for (auto j = std::next(i); j != looks.cend(); ++j)
                QVERIFY2(i.value() != j.value(), qPrintable(i.key() + u" looks like "_s + j.key()));
    }

    void backgroundIsPlainFieldOutsideTheMotifs()
    {
        // The window's labels sit on the field, so it must be plain there.
        const QImage image(u":/pictures/background.png"_s);
        QCOMPARE(image.size(), QSize(707, 488));
        QCOMPARE(QImage(u":/pictures/background@2x.png"_s).size(), QSize(1414, 976));
        const QRect motifs[] = {QRect(QPoint(0, 0), QPoint(71, 143)),
                                QRect(QPoint(184, 8), QPoint(492, 39)),
                                QRect(QPoint(612, 333), QPoint(706, 487))};
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (std::ranges::none_of(motifs, [&](QRect r) { return r.contains(x, y); }) &&
                    rgb(image.pixel(x, y)) != field)
                    QFAIL(qPrintable(describe(image.pixel(x, y), x, y)));
    }

    void iconIsOpaqueWithACrimsonFrame_data()
    {
        QTest::addColumn<int>("size");
        for (const int size : {48, 64, 128, 256})
            QTest::addRow("%d px", size) << size;
    }
    void iconIsOpaqueWithACrimsonFrame()
    {
        // Its size, every pixel opaque, and the frame at least 2 px deep all round.
        QFETCH(int, size);
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
};

QTEST_GUILESS_MAIN(TestPictures)
#include "tst_planegrid.moc"
