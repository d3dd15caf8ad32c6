// Checks the pictures against the geometry and colours they are meant to have: the plane grid
// pixel by pixel at every scale the program may draw it at (the quiz's dots must land on its
// crossings and axes, and its lines must stay sharp on high-DPI screens), the shipped grid
// renderings against that drawing, and the background and the icon by size, field and frame.
#include "pictures.h"

#include <QHash>
#include <QImage>
#include <QSet>
#include <QTest>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <utility>

namespace {

// The grid in picture pixels, as at scale 1.
constexpr std::array gridColumns{0,   18,  36,  53,  71,  89,  107, 125,
                                 160, 178, 196, 214, 232, 249, 267};
constexpr std::array gridRows{17, 35, 52, 70, 88, 106, 124, 159, 177, 195, 213, 231, 248, 266};
constexpr int yAxis = 143;
constexpr int xAxis = 142;
constexpr int xAxisEnd = 284;
constexpr QRgb white = qRgb(255, 255, 255);
constexpr QRgb teal = qRgb(96, 165, 160);
constexpr QRgb black = qRgb(0, 0, 0);
constexpr QRgb field = qRgb(195, 255, 255);
constexpr QRgb crimson = qRgb(174, 23, 57);

// Bands around the axes hold the axes themselves, their arrowheads, ticks and tick labels.
constexpr int xAxisBandTop = 131, xAxisBandBottom = 148;
constexpr int yAxisBandLeft = 130, yAxisBandRight = 149;
// The arrowheads' strokes lie in these.
const QRect yArrowBox(QPoint(137, 0), QPoint(149, 17));
const QRect xArrowBox(QPoint(267, 136), QPoint(284, 148));

// The 1x and 2x renderings the program ships, and scales it draws the grid at itself.
constexpr std::array scales{1.0, 1.25, 1.5, 1.75, 2.0, 2.5, 3.0};

QRgb rgb(QRgb c)
{
    return c & 0xffffff;
}
bool isBlack(QRgb c)
{
    return rgb(c) == rgb(black);
}
bool isWhite(QRgb c)
{
    return rgb(c) == rgb(white);
}
bool isTeal(QRgb c)
{
    return rgb(c) == rgb(teal);
}
// Ink of a label or an arrowhead: black, or an antialiased edge that is mostly black.
bool isDark(QRgb c)
{
    return qGray(c) < 128;
}

QString describe(QRgb c)
{
    return QStringLiteral("RGB(%1, %2, %3)").arg(qRed(c)).arg(qGreen(c)).arg(qBlue(c));
}
QString at(int x, int y)
{
    return QStringLiteral("(%1, %2)").arg(x).arg(y);
}

// Where the picture pixels of the grid land at one scale: picture pixel c starts at device pixel
// round(c * s) and is max(1, round(s)) device pixels wide.
struct Device {
    explicit Device(qreal scale)
        : s(scale)
        , w(std::max(1, int(std::lround(scale))))
    {}
    int at(int c) const { return int(std::lround(c * s)); }
    int end(int c) const { return at(c) + w; }     // one past its last device pixel
    int mid(int c) const { return at(c) + w / 2; } // a device pixel well inside it
    bool on(int d, int c) const { return d >= at(c) && d < end(c); }
    // Whether device pixel d lies within picture pixels first..last or on their antialiased edge.
    bool near(int d, int first, int last) const
    {
        return d >= std::floor(first * s) - 1 && d <= std::ceil((last + 1) * s);
    }
    bool near(QPoint p, const QRect &cells) const
    {
        return near(p.x(), cells.left(), cells.right()) && near(p.y(), cells.top(), cells.bottom());
    }
    // The device pixels of the picture pixels in cells, widened by their antialiased edge.
    QRect around(const QRect &cells) const
    {
        return QRect(
            QPoint(int(std::floor(cells.left() * s)) - 1, int(std::floor(cells.top() * s)) - 1),
            QPoint(int(std::ceil((cells.right() + 1) * s)),
                   int(std::ceil((cells.bottom() + 1) * s))));
    }
    // The device pixels of the picture pixels in cells that no picture pixel outside them shares.
    QRect inside(const QRect &cells) const
    {
        return QRect(QPoint(std::max(at(cells.left()), end(cells.left() - 1)),
                            std::max(at(cells.top()), end(cells.top() - 1))),
                     QPoint(at(cells.right() + 1) - 1, at(cells.bottom() + 1) - 1));
    }

    qreal s;
    int w;
};

template <std::size_t N> bool onAny(const Device &d, int pixel, const std::array<int, N> &cells)
{
    return std::any_of(cells.begin(), cells.end(), [&](int c) { return d.on(pixel, c); });
}

// The bounding box of the ink inside area; empty if there is none.
QRect inkBox(const QImage &image, const QRect &area)
{
    QRect box;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (isDark(image.pixel(x, y))) box |= QRect(x, y, 1, 1);
    return box;
}

// The runs of columns of box that hold ink, as first and last column: one per glyph, since the
// glyphs of a label stand apart and each holds together.
QList<std::pair<int, int>> inkRuns(const QImage &image, const QRect &box)
{
    QList<std::pair<int, int>> runs;
    for (int x = box.left(); x <= box.right(); ++x) {
        bool ink = false;
        for (int y = box.top(); y <= box.bottom() && !ink; ++y)
            ink = isDark(image.pixel(x, y));
        if (!ink) continue;
        if (!runs.isEmpty() && runs.back().second == x - 1)
            runs.back().second = x;
        else
            runs.append({x, x});
    }
    return runs;
}

enum class Axis { X, Y };

void addScaleColumn()
{
    QTest::addColumn<qreal>("scale");
}

void addScales()
{
    addScaleColumn();
    for (const qreal s : scales)
        QTest::addRow("%gx", s) << s;
}

} // namespace

class TestPictures : public QObject {
    Q_OBJECT

private slots:
    void sizes_data();
    void sizes();

    void drawnGridIsTheShippedOne_data();
    void drawnGridIsTheShippedOne();
    void gridSize_data();
    void gridSize();
    void gridLinesAreSharpAndInPlace_data() { addScales(); }
    void gridLinesAreSharpAndInPlace();
    void onlyLabelsAndArrowheadsAreAntialiased_data() { addScales(); }
    void onlyLabelsAndArrowheadsAreAntialiased();
    void axesRunTheirFullLength_data() { addScales(); }
    void axesRunTheirFullLength();
    void arrowheads_data();
    void arrowheads();
    void ticks_data();
    void ticks();
    void tickLabels_data();
    void tickLabels();
    void sameDigitsLookAlike_data() { addScales(); }
    void sameDigitsLookAlike();

    void backgroundIsPlainFieldOutsideTheMotifs();
    void backgroundMotifs_data();
    void backgroundMotifs();

    void icon_data();
    void icon();

private:
    // The grid drawn at scale, drawn once per scale.
    const QImage &grid(qreal scale);
    QHash<qreal, QImage> grids;

    struct Label {
        const char *axis;
        QString text;
        QRect where;  // where to look for it, in picture pixels
        QRect inkTop; // where the top-left corner of its ink may be
    };
    static QList<Label> labels();
};

const QImage &TestPictures::grid(qreal scale)
{
    if (!grids.contains(scale)) grids.insert(scale, tavrilo::pictures::planeGrid(scale));
    return grids[scale];
}

void TestPictures::sizes_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QSize>("size");
    QTest::newRow("plane grid") << "plane-grid.png" << QSize(288, 281);
    QTest::newRow("plane grid @2x") << "plane-grid@2x.png" << QSize(576, 562);
    QTest::newRow("background") << "background.png" << QSize(707, 488);
    QTest::newRow("background @2x") << "background@2x.png" << QSize(1414, 976);
    QTest::newRow("icon") << "icon.png" << QSize(48, 48);
    QTest::newRow("icon 64") << "icon-64.png" << QSize(64, 64);
    QTest::newRow("icon 128") << "icon-128.png" << QSize(128, 128);
    QTest::newRow("icon 256") << "icon-256.png" << QSize(256, 256);
}

void TestPictures::sizes()
{
    QFETCH(QString, path);
    QFETCH(QSize, size);
    const QImage image(QStringLiteral(":/pictures/") + path);
    QVERIFY2(!image.isNull(), qPrintable(path));
    QCOMPARE(image.size(), size);
}

void TestPictures::drawnGridIsTheShippedOne_data()
{
    // The program shows these at ratios 1 and 2 and draws the grid itself at the others: both
    // must be the same picture, so the shipped files must be what the drawing code gives.
    QTest::addColumn<qreal>("scale");
    QTest::addColumn<QString>("path");
    QTest::newRow("1x") << 1.0 << "plane-grid.png";
    QTest::newRow("2x") << 2.0 << "plane-grid@2x.png";
}

void TestPictures::drawnGridIsTheShippedOne()
{
    QFETCH(qreal, scale);
    QFETCH(QString, path);
    const QImage shipped(QStringLiteral(":/pictures/") + path);
    QVERIFY(!shipped.isNull());
    const QImage &drawn = grid(scale);
    QCOMPARE(drawn.size(), shipped.size());
    for (int y = 0; y < drawn.height(); ++y)
        for (int x = 0; x < drawn.width(); ++x)
            if (rgb(drawn.pixel(x, y)) != rgb(shipped.pixel(x, y)))
                QFAIL(qPrintable(QStringLiteral("%1: drawn %2, shipped %3")
                                     .arg(at(x, y), describe(drawn.pixel(x, y)),
                                          describe(shipped.pixel(x, y)))));
}

void TestPictures::gridSize_data()
{
    QTest::addColumn<qreal>("scale");
    QTest::addColumn<QSize>("size"); // in device pixels: the picture's, rounded up
    QTest::newRow("1x") << 1.0 << QSize(288, 281);
    QTest::newRow("1.25x") << 1.25 << QSize(360, 352);
    QTest::newRow("1.5x") << 1.5 << QSize(432, 422);
    QTest::newRow("1.75x") << 1.75 << QSize(504, 492);
    QTest::newRow("2x") << 2.0 << QSize(576, 562);
    QTest::newRow("2.5x") << 2.5 << QSize(720, 703);
    QTest::newRow("3x") << 3.0 << QSize(864, 843);
}

void TestPictures::gridSize()
{
    QFETCH(qreal, scale);
    QFETCH(QSize, size);
    const QImage &image = grid(scale);
    QCOMPARE(image.size(), size);
    // Painted at its device pixel ratio it covers the 288 x 281 of the plane, short of a pixel
    // more, so the plane's points land where they do at 1x.
    QCOMPARE(image.devicePixelRatio(), scale);
    const QSizeF logical = image.deviceIndependentSize();
    QVERIFY2(logical.width() >= 288 && logical.width() < 289,
             qPrintable(QString::number(logical.width())));
    QVERIFY2(logical.height() >= 281 && logical.height() < 282,
             qPrintable(QString::number(logical.height())));
}

void TestPictures::gridLinesAreSharpAndInPlace()
{
    // Away from the axis bands every device pixel is pure teal on a listed line (each starting
    // at round(c * s) and max(1, round(s)) pixels wide) and pure white elsewhere: no line
    // missing, moved, widened, blurred into its neighbours or added, e.g. at the right or bottom
    // edge where the plane box cuts the picture off.
    QFETCH(qreal, scale);
    const Device d(scale);
    const QImage &image = grid(scale);
    for (int y = 0; y < image.height(); ++y) {
        if (d.near(y, xAxisBandTop, xAxisBandBottom)) continue;
        const bool onRow = onAny(d, y, gridRows);
        for (int x = 0; x < image.width(); ++x) {
            if (d.near(x, yAxisBandLeft, yAxisBandRight)) continue;
            const QRgb c = image.pixel(x, y);
            if (onRow || onAny(d, x, gridColumns)) {
                if (!isTeal(c))
                    QFAIL(qPrintable(QStringLiteral("%1 at %2 on a grid line, not teal")
                                         .arg(describe(c), at(x, y))));
            } else if (!isWhite(c)) {
                QFAIL(qPrintable(
                    QStringLiteral("%1 at %2 between the lines").arg(describe(c), at(x, y))));
            }
        }
    }
}

void TestPictures::onlyLabelsAndArrowheadsAreAntialiased()
{
    // Lines, axes and ticks are whole device pixels of their colour at every scale; at whole
    // scales nothing else is antialiased either.
    QFETCH(qreal, scale);
    const Device d(scale);
    const QImage &image = grid(scale);
    QList<QRect> soft;
    if (scale != std::floor(scale)) {
        soft = {yArrowBox, xArrowBox};
        for (const Label &label : labels())
            soft.append(label.where);
    }
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb c = image.pixel(x, y);
            if (isWhite(c) || isTeal(c) || isBlack(c)) continue;
            if (std::any_of(soft.begin(), soft.end(),
                            [&](const QRect &cells) { return d.near(QPoint(x, y), cells); }))
                continue;
            QFAIL(qPrintable(QStringLiteral("%1 at %2").arg(describe(c), at(x, y))));
        }
}

void TestPictures::axesRunTheirFullLength()
{
    QFETCH(qreal, scale);
    const Device d(scale);
    const QImage &image = grid(scale);
    const int yAxisLeft = d.at(yAxis), xAxisTop = d.at(xAxis);
    for (int y = 0; y < image.height(); ++y)
        for (int x = yAxisLeft; x < d.end(yAxis); ++x)
            QVERIFY2(isBlack(image.pixel(x, y)),
                     qPrintable(QStringLiteral("y axis at ") + at(x, y)));
    for (int y = xAxisTop; y < d.end(xAxis); ++y) {
        for (int x = 0; x < d.end(xAxisEnd); ++x)
            QVERIFY2(isBlack(image.pixel(x, y)),
                     qPrintable(QStringLiteral("x axis at ") + at(x, y)));
        // Past its tip the x axis stops: those columns fall outside the plane's drawing area.
        for (int x = d.end(xAxisEnd); x < image.width(); ++x)
            QVERIFY2(isWhite(image.pixel(x, y)),
                     qPrintable(QStringLiteral("past the tip at ") + at(x, y)));
    }

    // One sharp axis each: away from arrowheads, ticks and labels its neighbours are plain
    // white or teal where a grid line crosses.
    const auto plain = [](QRgb c) { return isWhite(c) || isTeal(c); };
    for (int y = 0; y < image.height(); ++y) {
        if (d.near(y, 0, yArrowBox.bottom() + 1) || d.near(y, xAxisBandTop, xAxisBandBottom))
            continue;
        if (std::any_of(gridRows.begin(), gridRows.end(),
                        [&](int row) { return d.near(y, row, row); }))
            continue; // ticks sit on these rows
        for (const int x : {yAxisLeft - 1, d.end(yAxis)})
            QVERIFY2(plain(image.pixel(x, y)),
                     qPrintable(QStringLiteral("beside the y axis at ") + at(x, y)));
    }
    for (int x = 0; x < d.at(xArrowBox.left()) - 1; ++x) {
        if (d.near(x, yAxisBandLeft, yAxisBandRight)) continue;
        if (std::any_of(gridColumns.begin(), gridColumns.end(),
                        [&](int column) { return d.near(x, column, column); }))
            continue;
        for (const int y : {xAxisTop - 1, d.end(xAxis)})
            QVERIFY2(plain(image.pixel(x, y)),
                     qPrintable(QStringLiteral("beside the x axis at ") + at(x, y)));
    }
}

void TestPictures::arrowheads_data()
{
    // Each stroke runs back 17 px from the tip, spreading to 5 or 6 px from the axis.
    addScaleColumn();
    QTest::addColumn<QPoint>("tip");
    QTest::addColumn<QPoint>("back");   // one step from the tip back along the axis
    QTest::addColumn<QPoint>("spread"); // one step away from the axis, towards the stroke
    for (const qreal s : scales) {
        QTest::addRow("%gx, y axis, left stroke", s)
            << s << QPoint(yAxis, 0) << QPoint(0, 1) << QPoint(-1, 0);
        QTest::addRow("%gx, y axis, right stroke", s)
            << s << QPoint(yAxis, 0) << QPoint(0, 1) << QPoint(1, 0);
        QTest::addRow("%gx, x axis, upper stroke", s)
            << s << QPoint(xAxisEnd, xAxis) << QPoint(-1, 0) << QPoint(0, -1);
        QTest::addRow("%gx, x axis, lower stroke", s)
            << s << QPoint(xAxisEnd, xAxis) << QPoint(-1, 0) << QPoint(0, 1);
    }
}

void TestPictures::arrowheads()
{
    QFETCH(qreal, scale);
    QFETCH(QPoint, tip);
    QFETCH(QPoint, back);
    QFETCH(QPoint, spread);
    const Device d(scale);
    const QImage &image = grid(scale);

    // Distances in picture pixels from the middle of the axis, measured at the device pixels
    // across the axis in the middle of the picture pixel `along` back from the tip.
    const bool yArrow = back.x() == 0;
    const int axisCell = yArrow ? tip.x() : tip.y();
    const qreal axisMiddle = d.at(axisCell) + d.w / 2.0;
    const int outward = yArrow ? spread.x() : spread.y();
    const auto pixel = [&](int along, int across) {
        const int a = d.mid((yArrow ? tip.y() : tip.x()) + along * (yArrow ? back.y() : back.x()));
        return yArrow ? image.pixel(across, a) : image.pixel(a, across);
    };
    // How far out the first ink beside the axis lies, looking as far as `reach`.
    const auto firstInk = [&](int along, qreal reach) -> std::optional<qreal> {
        for (int across = outward > 0 ? d.end(axisCell) : d.at(axisCell) - 1;; across += outward) {
            const qreal away = std::abs(across + 0.5 - axisMiddle) / scale;
            if (away > reach) return std::nullopt;
            if (isDark(pixel(along, across))) return away;
        }
    };
    const auto inkBetween = [&](int along, qreal from, qreal to) {
        for (int across = d.at(axisCell) - int(to * scale) - 2;
             across <= d.end(axisCell) + int(to * scale) + 2; ++across) {
            const qreal away = (across + 0.5 - axisMiddle) / scale * outward;
            if (away >= from && away <= to && isDark(pixel(along, across))) return true;
        }
        return false;
    };

    for (int along = 1; along <= 17; ++along) {
        const qreal ideal = 5.5 * along / 17;
        const std::optional<qreal> stroke = firstInk(along, 7);
        const QString where = QStringLiteral("%1 px back").arg(along);
        // Next to the tip the stroke may still lie on the axis.
        QVERIFY2(stroke || along == 1, qPrintable(where + QStringLiteral(": no stroke")));
        if (stroke)
            QVERIFY2(std::abs(*stroke - ideal) <= 1.5,
                     qPrintable(where + QStringLiteral(": stroke %1 px out").arg(*stroke)));
    }
    // The far end of the stroke stands 5 or 6 px from the axis, and nothing reaches further.
    const std::optional<qreal> end = firstInk(17, 7);
    QVERIFY(end && *end >= 4.5 && *end <= 6.5);
    QVERIFY(!inkBetween(17, 7, 9) && !inkBetween(18, 7, 9));
    // Open: nothing between the far ends of the strokes and the axis.
    QVERIFY(!inkBetween(15, 1, 3));
}

void TestPictures::ticks_data()
{
    addScaleColumn();
    QTest::addColumn<Axis>("axis");
    QTest::addColumn<int>("position");
    const std::array<std::pair<int, int>, 6> x{
        {{-6, 36}, {-4, 71}, {-2, 107}, {2, 178}, {4, 214}, {6, 249}}};
    const std::array<std::pair<int, int>, 6> y{
        {{6, 35}, {4, 70}, {2, 106}, {-2, 177}, {-4, 213}, {-6, 248}}};
    for (const qreal s : scales) {
        for (const auto &[value, column] : x)
            QTest::addRow("%gx, x = %d", s, value) << s << Axis::X << column;
        for (const auto &[value, row] : y)
            QTest::addRow("%gx, y = %d", s, value) << s << Axis::Y << row;
    }
}

void TestPictures::ticks()
{
    // Seven pixels long, scaled, centred on the axis, as wide as a line, and sharp.
    QFETCH(qreal, scale);
    QFETCH(Axis, axis);
    QFETCH(int, position);
    const Device d(scale);
    const QImage &image = grid(scale);
    // `along` runs across the axis, the way the tick does.
    const auto pixel = [&](int across, int along) {
        return axis == Axis::X ? image.pixel(across, along) : image.pixel(along, across);
    };
    const int axisFirst = d.at(axis == Axis::X ? xAxis : yAxis);
    const int axisLast = axisFirst + d.w - 1;

    int before = 0, after = 0;
    for (int across = d.at(position); across < d.end(position); ++across) {
        int b = 0, a = 0;
        while (isBlack(pixel(across, axisFirst - 1 - b)))
            ++b;
        while (isBlack(pixel(across, axisLast + 1 + a)))
            ++a;
        const QString where = QStringLiteral("device line %1").arg(across);
        QVERIFY2(b == a, qPrintable(where + QStringLiteral(": %1 before, %2 after").arg(b).arg(a)));
        QVERIFY2(std::abs(d.w + a + b - 7 * scale) <= 1,
                 qPrintable(where + QStringLiteral(": %1 long").arg(d.w + a + b)));
        if (across > d.at(position))
            QVERIFY2(b == before, qPrintable(where + QStringLiteral(": ragged end")));
        before = b;
        after = a;
    }
    // Beside it plain white; past its ends the teal of the grid line it sits on.
    for (int along = axisFirst - before - 1; along <= axisLast + after + 1; ++along) {
        if (along >= axisFirst && along <= axisLast) continue;
        const bool past = along == axisFirst - before - 1 || along == axisLast + after + 1;
        for (int across = d.at(position) - 1; across <= d.end(position); ++across) {
            const bool beside = across < d.at(position) || across >= d.end(position);
            if (!past && !beside) continue;
            const QRgb c = pixel(across, along);
            QVERIFY2(past && !beside ? isTeal(c) : isWhite(c),
                     qPrintable(QStringLiteral("%1 %2 the tick at device line %3, %4")
                                    .arg(describe(c), past ? u"past" : u"beside")
                                    .arg(along)
                                    .arg(across)));
        }
    }
}

QList<TestPictures::Label> TestPictures::labels()
{
    QList<Label> list;
    // Above the x axis, starting 1 to 4 px right of the tick.
    const std::array<std::pair<const char *, int>, 6> x{
        {{"-6", 36}, {"-4", 71}, {"-2", 107}, {"2", 178}, {"4", 214}, {"6", 249}}};
    for (const auto &[text, tick] : x)
        list.append({"x axis", QString::fromLatin1(text), QRect(tick + 1, xAxis - 14, 16, 14),
                     QRect(tick + 1, xAxis - 14, 4, 5)});
    // Left of the y axis, just below the tick, clear of the tick's 3 px.
    const std::array<std::pair<const char *, int>, 6> y{
        {{"6", 35}, {"4", 70}, {"2", 106}, {"-2", 177}, {"-4", 213}, {"-6", 248}}};
    for (const auto &[text, tick] : y)
        list.append({"y axis", QString::fromLatin1(text), QRect(yAxis - 18, tick + 1, 15, 13),
                     QRect(yAxis - 18, tick + 1, 15, 3)});
    // Just right of the y axis, above the x axis.
    list.append({"origin", QStringLiteral("0"), QRect(yAxis + 1, xAxis - 14, 12, 14),
                 QRect(yAxis + 1, xAxis - 14, 4, 5)});
    return list;
}

void TestPictures::tickLabels_data()
{
    addScaleColumn();
    QTest::addColumn<int>("index");
    const QList<Label> list = labels();
    for (const qreal s : scales)
        for (qsizetype i = 0; i < list.size(); ++i)
            QTest::addRow("%gx, %s %s", s, list[i].axis, qPrintable(list[i].text)) << s << int(i);
}

void TestPictures::tickLabels()
{
    QFETCH(qreal, scale);
    QFETCH(int, index);
    const Label label = labels().at(index);
    const Device d(scale);
    const QImage &image = grid(scale);
    const QRect ink = inkBox(image, d.inside(label.where));
    QVERIFY2(!ink.isEmpty(), "no label");
    // 9 px tall, scaled; 4 to 7 px a glyph wide.
    QVERIFY2(std::abs(ink.height() - 9 * scale) <= 1, qPrintable(QString::number(ink.height())));
    QVERIFY2(d.around(label.inkTop).contains(ink.topLeft()),
             qPrintable(QStringLiteral("ink starts at ") + at(ink.left(), ink.top())));
    const int glyphs = int(label.text.size());
    QVERIFY2(ink.width() >= 4 * glyphs * scale - 1 && ink.width() <= 7 * glyphs * scale + 1,
             qPrintable(QString::number(ink.width())));

    // A minus is a dash about 2 px wide at mid-height, clear of the digit.
    const QList<std::pair<int, int>> runs = inkRuns(image, ink);
    QCOMPARE(runs.size(), glyphs);
    if (label.text.startsWith(u'-')) {
        const auto [left, right] = runs.first();
        QVERIFY2(std::abs(right - left + 1 - 2 * scale) <= 1,
                 qPrintable(QStringLiteral("minus %1 px wide").arg(right - left + 1)));
        const QRect dash =
            inkBox(image, QRect(QPoint(left, ink.top()), QPoint(right, ink.bottom())));
        QVERIFY2(dash.height() <= d.w + 1,
                 qPrintable(QStringLiteral("minus %1 px tall").arg(dash.height())));
        QVERIFY2(dash.top() >= ink.top() + 3 * scale - 1 &&
                     dash.bottom() <= ink.bottom() - 3 * scale + 1,
                 qPrintable(QStringLiteral("minus at device row %1").arg(dash.top())));
    }
}

void TestPictures::sameDigitsLookAlike()
{
    // Every label ends in its digit: one digit, one look wherever it stands; different digits
    // differ.
    QFETCH(qreal, scale);
    const Device d(scale);
    const QImage &image = grid(scale);
    QHash<QChar, QImage> digits;
    for (const Label &label : labels()) {
        const QRect ink = inkBox(image, d.inside(label.where));
        QVERIFY(!ink.isEmpty());
        const QList<std::pair<int, int>> runs = inkRuns(image, ink);
        QVERIFY(!runs.isEmpty());
        const auto [left, right] = runs.back();
        const QImage digit =
            image.copy(QRect(QPoint(left, ink.top()), QPoint(right, ink.bottom())));
        const QChar value = label.text.back();
        if (digits.contains(value))
            QVERIFY2(digits.value(value) == digit, qPrintable(label.text));
        else
            digits.insert(value, digit);
    }
    QCOMPARE(digits.size(), 4);
    const QList<QImage> shapes = digits.values();
    for (qsizetype i = 0; i < shapes.size(); ++i)
        for (qsizetype j = i + 1; j < shapes.size(); ++j)
            QVERIFY(shapes[i] != shapes[j]);
}

void TestPictures::backgroundIsPlainFieldOutsideTheMotifs()
{
    // The labels of the window sit on the field, so it must be plain there.
    const QImage image(QStringLiteral(":/pictures/background.png"));
    QVERIFY(!image.isNull());
    const QRect motifs[] = {QRect(QPoint(0, 0), QPoint(71, 143)),
                            QRect(QPoint(184, 8), QPoint(492, 39)),
                            QRect(QPoint(612, 333), QPoint(706, 487))};
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            if (std::any_of(std::begin(motifs), std::end(motifs),
                            [&](const QRect &r) { return r.contains(x, y); }))
                continue;
            const QRgb c = image.pixel(x, y);
            if ((c & 0xffffff) != (field & 0xffffff))
                QFAIL(qPrintable(QStringLiteral("%1 at (%2, %3)").arg(describe(c)).arg(x).arg(y)));
        }
    for (const QPoint p : {QPoint(120, 20), QPoint(350, 250), QPoint(0, 487), QPoint(706, 0),
                           QPoint(600, 480), QPoint(30, 200)})
        QCOMPARE(image.pixel(p) & 0xffffff, field & 0xffffff);
}

void TestPictures::backgroundMotifs_data()
{
    QTest::addColumn<QRect>("area");
    QTest::addColumn<double>("covered"); // least share of the area that is not field
    QTest::addColumn<bool>("dark");      // whether its typical colour is a dark blue
    QTest::newRow("desk things") << QRect(QPoint(0, 0), QPoint(71, 143)) << 0.6 << false;
    QTest::newRow("title") << QRect(QPoint(184, 8), QPoint(492, 39)) << 0.2 << true;
    QTest::newRow("stargazer panel") << QRect(QPoint(620, 341), QPoint(706, 487)) << 0.99 << true;
}

void TestPictures::backgroundMotifs()
{
    QFETCH(QRect, area);
    QFETCH(double, covered);
    QFETCH(bool, dark);
    const QImage image(QStringLiteral(":/pictures/background.png"));
    QVERIFY(!image.isNull());
    int drawn = 0, darkBlue = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            const QRgb c = image.pixel(x, y);
            if ((c & 0xffffff) == (field & 0xffffff)) continue;
            ++drawn;
            darkBlue += qBlue(c) > qRed(c) && qBlue(c) > qGreen(c) && qRed(c) + qGreen(c) < 260;
        }
    const int pixels = area.width() * area.height();
    QVERIFY2(drawn >= covered * pixels, qPrintable(QString::number(double(drawn) / pixels)));
    if (dark) QVERIFY2(darkBlue > drawn / 2, qPrintable(QString::number(double(darkBlue) / drawn)));
}

void TestPictures::icon_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("maxFrame");
    QTest::newRow("48 px") << "icon.png" << 3;
    QTest::newRow("64 px") << "icon-64.png" << 4;
    QTest::newRow("128 px") << "icon-128.png" << 8;
    QTest::newRow("256 px") << "icon-256.png" << 16;
}

void TestPictures::icon()
{
    QFETCH(QString, path);
    QFETCH(int, maxFrame);
    const QImage image(QStringLiteral(":/pictures/") + path);
    QVERIFY(!image.isNull());
    const int size = image.width();
    QCOMPARE(image.height(), size);

    QSet<QRgb> colours;
    int white = 0;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const QRgb c = image.pixel(x, y);
            QVERIFY2(qAlpha(c) == 255, qPrintable(QStringLiteral("(%1, %2)").arg(x).arg(y)));
            colours.insert(c);
            white += isWhite(c);
        }
    QVERIFY(colours.size() <= 256);
    QVERIFY2(white > size * size / 20, "no lettering");

    // The crimson frame: at least 2 px deep all round, at most maxFrame.
    for (int depth = 0; depth < 2; ++depth)
        for (int i = depth; i < size - depth; ++i) {
            QCOMPARE(image.pixel(i, depth), crimson);
            QCOMPARE(image.pixel(i, size - 1 - depth), crimson);
            QCOMPARE(image.pixel(depth, i), crimson);
            QCOMPARE(image.pixel(size - 1 - depth, i), crimson);
        }
    QVERIFY(image.pixel(size / 2, maxFrame) != crimson);

    // The square inside is split into a black and a light-grey triangle.
    const int inside = maxFrame + 1;
    const std::array corners{image.pixel(inside, inside), image.pixel(size - 1 - inside, inside),
                             image.pixel(inside, size - 1 - inside),
                             image.pixel(size - 1 - inside, size - 1 - inside)};
    const auto black = std::count_if(corners.begin(), corners.end(), isBlack);
    const auto grey = std::count(corners.begin(), corners.end(), qRgb(192, 192, 192));
    QVERIFY(black >= 1 && grey >= 1 && black + grey == 4);
}

QTEST_GUILESS_MAIN(TestPictures)
#include "tst_planegrid.moc"
