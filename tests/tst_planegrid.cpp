// Checks the shipped pictures against the geometry and colours they are meant to have: the plane
// grid pixel by pixel (the quiz's dots must land on its crossings and axes), the background and
// the icon by size, field and frame.
#include <QHash>
#include <QImage>
#include <QSet>
#include <QTest>
#include <algorithm>
#include <array>
#include <cstdlib>

namespace {

constexpr std::array gridColumns{0,   18,  36,  53,  71,  89,  107, 125,
                                 160, 178, 196, 214, 232, 249, 267};
constexpr std::array gridRows{17, 35, 52, 70, 88, 106, 124, 159, 177, 195, 213, 231, 248, 266};
constexpr int yAxis = 143;
constexpr int xAxis = 142;
constexpr int xAxisEnd = 284;
constexpr QRgb teal = qRgb(96, 165, 160);
constexpr QRgb field = qRgb(195, 255, 255);
constexpr QRgb crimson = qRgb(174, 23, 57);

// Bands around the axes hold the axes themselves, their arrowheads, ticks and tick labels.
constexpr int xAxisBandTop = 131, xAxisBandBottom = 148;
constexpr int yAxisBandLeft = 130, yAxisBandRight = 149;

bool isTeal(QRgb c)
{
    return std::abs(qRed(c) - qRed(teal)) <= 4 && std::abs(qGreen(c) - qGreen(teal)) <= 4 &&
           std::abs(qBlue(c) - qBlue(teal)) <= 4;
}
bool isBlack(QRgb c)
{
    return (c & 0xffffff) == 0;
}
bool isWhite(QRgb c)
{
    return (c & 0xffffff) == 0xffffff;
}

bool contains(const auto &list, int value)
{
    return std::find(list.begin(), list.end(), value) != list.end();
}

QString describe(QRgb c)
{
    return QStringLiteral("RGB(%1, %2, %3)").arg(qRed(c)).arg(qGreen(c)).arg(qBlue(c));
}

// The bounding box of the black pixels inside area; empty if there are none.
QRect inkBox(const QImage &image, const QRect &area)
{
    QRect box;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (isBlack(image.pixel(x, y))) box |= QRect(x, y, 1, 1);
    return box;
}

int blackInColumn(const QImage &image, int x, int top, int bottom)
{
    int count = 0;
    for (int y = top; y <= bottom; ++y)
        count += isBlack(image.pixel(x, y));
    return count;
}

enum class Axis { X, Y };

} // namespace

class TestPictures : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();

    void sizes_data();
    void sizes();

    void gridHasOnlyWhiteTealAndBlack_data();
    void gridHasOnlyWhiteTealAndBlack();
    void gridLines_data();
    void gridLines();
    void noLinesBetweenTheListedOnes();
    void axesRunTheirFullLength();
    void arrowheads_data();
    void arrowheads();
    void ticks_data();
    void ticks();
    void tickLabels_data();
    void tickLabels();
    void sameDigitsLookAlike();
    void doubledGridKeepsTheGeometry();

    void backgroundIsPlainFieldOutsideTheMotifs();
    void backgroundMotifs_data();
    void backgroundMotifs();

    void icon_data();
    void icon();

private:
    QImage grid;

    struct Label {
        const char *axis;
        QString text;
        QRect where;  // where to look for it
        QRect inkTop; // where the top-left corner of its ink may be
    };
    QList<Label> labels() const;
};

void TestPictures::initTestCase()
{
    QVERIFY(grid.load(QStringLiteral(":/pictures/plane-grid.png")));
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

void TestPictures::gridHasOnlyWhiteTealAndBlack_data()
{
    QTest::addColumn<QString>("path");
    QTest::newRow("1x") << "plane-grid.png";
    QTest::newRow("2x") << "plane-grid@2x.png";
}

void TestPictures::gridHasOnlyWhiteTealAndBlack()
{
    QFETCH(QString, path);
    const QImage image(QStringLiteral(":/pictures/") + path);
    QVERIFY(!image.isNull());
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb c = image.pixel(x, y);
            if (!isWhite(c) && !isTeal(c) && !isBlack(c))
                QFAIL(qPrintable(QStringLiteral("%1 at (%2, %3)").arg(describe(c)).arg(x).arg(y)));
        }
}

void TestPictures::gridLines_data()
{
    QTest::addColumn<Axis>("direction"); // X: a vertical line at a column, Y: a horizontal one
    QTest::addColumn<int>("position");
    for (const int column : gridColumns)
        QTest::addRow("column %d", column) << Axis::X << column;
    for (const int row : gridRows)
        QTest::addRow("row %d", row) << Axis::Y << row;
}

void TestPictures::gridLines()
{
    QFETCH(Axis, direction);
    QFETCH(int, position);
    if (direction == Axis::X) {
        for (int y = 0; y < grid.height(); ++y)
            if (y < xAxisBandTop || y > xAxisBandBottom)
                QVERIFY2(isTeal(grid.pixel(position, y)), qPrintable(QString::number(y)));
    } else {
        for (int x = 0; x < grid.width(); ++x)
            if (x < yAxisBandLeft || x > yAxisBandRight)
                QVERIFY2(isTeal(grid.pixel(x, position)), qPrintable(QString::number(x)));
    }
}

void TestPictures::noLinesBetweenTheListedOnes()
{
    // A teal pixel off the listed lines could only be a stray line, e.g. one at the right or
    // bottom edge where the plane box cuts the picture off.
    for (int y = 0; y < grid.height(); ++y)
        for (int x = 0; x < grid.width(); ++x)
            if (isTeal(grid.pixel(x, y)) && !contains(gridColumns, x) && !contains(gridRows, y))
                QFAIL(qPrintable(QStringLiteral("teal at (%1, %2)").arg(x).arg(y)));
    for (const int x : {284, 285, 286, 287})
        QVERIFY(!isTeal(grid.pixel(x, 100)));
    for (const int y : {0, 280})
        QVERIFY(!isTeal(grid.pixel(100, y)));
}

void TestPictures::axesRunTheirFullLength()
{
    for (int y = 0; y < grid.height(); ++y)
        QVERIFY2(isBlack(grid.pixel(yAxis, y)), qPrintable(QStringLiteral("row %1").arg(y)));
    for (int x = 0; x <= xAxisEnd; ++x)
        QVERIFY2(isBlack(grid.pixel(x, xAxis)), qPrintable(QStringLiteral("column %1").arg(x)));
    // Past its tip the x axis stops: those columns fall outside the plane's drawing area.
    for (int x = xAxisEnd + 1; x < grid.width(); ++x)
        QVERIFY(isWhite(grid.pixel(x, xAxis)));
    // One axis each: the neighbours are not black away from ticks and labels.
    QVERIFY(!isBlack(grid.pixel(yAxis - 1, 60)) && !isBlack(grid.pixel(yAxis + 1, 60)));
    QVERIFY(!isBlack(grid.pixel(60, xAxis - 1)) && !isBlack(grid.pixel(60, xAxis + 1)));
}

void TestPictures::arrowheads_data()
{
    // Each stroke runs back 17 px from the tip, spreading to 5 or 6 px from the axis.
    QTest::addColumn<QPoint>("tip");
    QTest::addColumn<QPoint>("back");   // one step from the tip back along the axis
    QTest::addColumn<QPoint>("spread"); // one step away from the axis, towards the stroke
    QTest::newRow("y axis, left stroke") << QPoint(yAxis, 0) << QPoint(0, 1) << QPoint(-1, 0);
    QTest::newRow("y axis, right stroke") << QPoint(yAxis, 0) << QPoint(0, 1) << QPoint(1, 0);
    QTest::newRow("x axis, upper stroke")
        << QPoint(xAxisEnd, xAxis) << QPoint(-1, 0) << QPoint(0, -1);
    QTest::newRow("x axis, lower stroke")
        << QPoint(xAxisEnd, xAxis) << QPoint(-1, 0) << QPoint(0, 1);
}

void TestPictures::arrowheads()
{
    QFETCH(QPoint, tip);
    QFETCH(QPoint, back);
    QFETCH(QPoint, spread);
    const auto at = [&](int along, int away) {
        return grid.pixel(tip + back * along + spread * away);
    };
    for (int along = 1; along <= 17; ++along) {
        const double ideal = 5.5 * along / 17;
        int stroke = -1;
        for (int away = 1; away <= 7; ++away)
            if (isBlack(at(along, away))) {
                stroke = away;
                break;
            }
        const QString where = QStringLiteral("%1 px back").arg(along);
        QVERIFY2(stroke >= 0 || along == 1, qPrintable(where + ": no stroke"));
        if (stroke < 0) continue; // next to the tip the stroke may still lie on the axis
        QVERIFY2(std::abs(stroke - ideal) <= 1.5, qPrintable(where));
    }
    // The far end of the stroke stands 5 or 6 px from the axis, and nothing reaches further.
    QVERIFY(isBlack(at(17, 5)) || isBlack(at(17, 6)));
    QVERIFY(!isBlack(at(17, 7)) && !isBlack(at(18, 7)));
    // Open: nothing between the far ends of the strokes and the axis.
    for (int away = 1; away <= 3; ++away)
        QVERIFY(!isBlack(at(15, away)));
}

void TestPictures::ticks_data()
{
    QTest::addColumn<Axis>("axis");
    QTest::addColumn<int>("position");
    const std::array<std::pair<int, int>, 6> x{
        {{-6, 36}, {-4, 71}, {-2, 107}, {2, 178}, {4, 214}, {6, 249}}};
    const std::array<std::pair<int, int>, 6> y{
        {{6, 35}, {4, 70}, {2, 106}, {-2, 177}, {-4, 213}, {-6, 248}}};
    for (const auto &[value, column] : x)
        QTest::addRow("x = %d", value) << Axis::X << column;
    for (const auto &[value, row] : y)
        QTest::addRow("y = %d", value) << Axis::Y << row;
}

void TestPictures::ticks()
{
    // Seven pixels centred on the axis, and not one more.
    QFETCH(Axis, axis);
    QFETCH(int, position);
    for (int d = -3; d <= 3; ++d) {
        const QPoint p =
            axis == Axis::X ? QPoint(position, xAxis + d) : QPoint(yAxis + d, position);
        QVERIFY2(isBlack(grid.pixel(p)), qPrintable(QStringLiteral("offset %1").arg(d)));
    }
    for (const int d : {-4, 4}) {
        const QPoint p =
            axis == Axis::X ? QPoint(position, xAxis + d) : QPoint(yAxis + d, position);
        QVERIFY2(!isBlack(grid.pixel(p)), qPrintable(QStringLiteral("offset %1").arg(d)));
    }
}

QList<TestPictures::Label> TestPictures::labels() const
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
    QTest::addColumn<int>("index");
    const QList<Label> list = labels();
    for (qsizetype i = 0; i < list.size(); ++i)
        QTest::addRow("%s %s", list[i].axis, qPrintable(list[i].text)) << int(i);
}

void TestPictures::tickLabels()
{
    QFETCH(int, index);
    const Label label = labels().at(index);
    const QRect ink = inkBox(grid, label.where);
    QVERIFY2(!ink.isEmpty(), "no label");
    QCOMPARE(ink.height(), 9);
    QVERIFY2(label.inkTop.contains(ink.topLeft()),
             qPrintable(QStringLiteral("ink starts at (%1, %2)").arg(ink.left()).arg(ink.top())));
    const bool negative = label.text.startsWith(u'-');
    const int glyphs = int(label.text.size());
    QVERIFY(ink.width() >= 4 * glyphs && ink.width() <= 7 * glyphs);

    // A minus is a 2-px dash at mid-height, clear of the digit; a digit's first column is taller.
    const int first = blackInColumn(grid, ink.left(), ink.top(), ink.bottom());
    if (negative) {
        QCOMPARE(first, 1);
        QCOMPARE(blackInColumn(grid, ink.left() + 1, ink.top(), ink.bottom()), 1);
        QCOMPARE(blackInColumn(grid, ink.left() + 2, ink.top(), ink.bottom()), 0);
        int row = ink.top();
        while (!isBlack(grid.pixel(ink.left(), row)))
            ++row;
        QVERIFY(row >= ink.top() + 3 && row <= ink.bottom() - 3);
        QVERIFY(isBlack(grid.pixel(ink.left() + 1, row)));
    } else {
        QVERIFY(first > 1);
    }
}

void TestPictures::sameDigitsLookAlike()
{
    // Every label ends in its digit, 5 px wide: one digit, one look; different digits differ.
    QHash<QChar, QImage> digits;
    for (const Label &label : labels()) {
        const QRect ink = inkBox(grid, label.where);
        QVERIFY(!ink.isEmpty());
        const QImage digit = grid.copy(ink.right() - 4, ink.top(), 5, 9);
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

void TestPictures::doubledGridKeepsTheGeometry()
{
    const QImage big(QStringLiteral(":/pictures/plane-grid@2x.png"));
    QVERIFY(!big.isNull());
    const int row = 2 * 60; // between the lines at rows 52 and 70
    for (const int column : gridColumns) {
        QVERIFY(isTeal(big.pixel(2 * column, row)) && isTeal(big.pixel(2 * column + 1, row)));
        if (column > 0) QVERIFY(!isTeal(big.pixel(2 * column - 1, row)));
        QVERIFY(!isTeal(big.pixel(2 * column + 2, row)));
    }
    for (int y = 0; y < big.height(); ++y)
        QVERIFY(isBlack(big.pixel(2 * yAxis, y)) && isBlack(big.pixel(2 * yAxis + 1, y)));
    for (int x = 0; x < 2 * (xAxisEnd + 1); ++x)
        QVERIFY(isBlack(big.pixel(x, 2 * xAxis)) && isBlack(big.pixel(x, 2 * xAxis + 1)));
    QVERIFY(!isBlack(big.pixel(2 * 60, 2 * xAxis - 1)) &&
            !isBlack(big.pixel(2 * 60, 2 * xAxis + 2)));
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
