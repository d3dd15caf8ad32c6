// The services under the quiz: conversions by locale, the random values, and plane drawings.
#include "conversion.h"
#include "planedrawing.h"
#include "random.h"

#include <QImage>
#include <QPainter>
#include <QtTest>
#include <limits>

using namespace tavrilo;

class RuntimeTest : public QObject {
    Q_OBJECT

private slots:
    void textToNumber_data();
    void textToNumber();
    void numberToText_data();
    void numberToText();
    void textComparison_data();
    void textComparison();

    void randomValuesStayBelowOne();

    void userScaleMapsTheDrawingArea_data();
    void userScaleMapsTheDrawingArea();
    void clearKeepsScaleAndPen();
    void dotIsASolidDisc();
    void farOffShapesAreNotPainted();
};

void RuntimeTest::textToNumber_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<float>("value");

    for (const char *locale : {"ru_RU", "en_US"}) {
        const QString l = QString::fromLatin1(locale);
        const auto row = [&](const char *name) -> QTestData & {
            return QTest::addRow("%s: %s", locale, name);
        };
        row("integer") << l << "3" << true << 3.0f;
        row("negative") << l << "-7" << true << -7.0f;
        row("plus sign") << l << "+3" << true << 3.0f;
        row("leading zero") << l << "03" << true << 3.0f;
        row("exponent") << l << "1e30" << true << 1e30f;
        row("letters") << l << "abc" << false << 0.0f;
        row("lone minus") << l << "-" << false << 0.0f;
        row("empty") << l << "" << false << 0.0f;
        row("beyond single precision") << l << "1e39" << false << 0.0f;
        row("far beyond") << l << "1e999" << false << 0.0f;
        row("nan") << l << "nan" << false << 0.0f;
        row("inf") << l << "inf" << false << 0.0f;
        row("minus inf") << l << "-inf" << false << 0.0f;
    }
    QTest::newRow("ru: decimal comma") << "ru_RU"
                                       << "2,5" << true << 2.5f;
    QTest::newRow("ru: decimal point") << "ru_RU"
                                       << "2.5" << false << 0.0f;
    QTest::newRow("en: decimal point") << "en_US"
                                       << "2.5" << true << 2.5f;
    QTest::newRow("en: decimal comma") << "en_US"
                                       << "2,5" << false << 0.0f;
}

void RuntimeTest::textToNumber()
{
    QFETCH(QString, locale);
    QFETCH(QString, text);
    QFETCH(bool, ok);
    QFETCH(float, value);
    const auto number = tavrilo::textToNumber(text, QLocale(locale));
    QCOMPARE(number.has_value(), ok);
    if (ok) QCOMPARE(*number, value);
}

void RuntimeTest::numberToText_data()
{
    QTest::addColumn<float>("value");
    QTest::addColumn<QString>("text");
    for (int i = -7; i <= 7; ++i)
        QTest::addRow("%d", i) << float(i) << QString::number(i);
    QTest::newRow("minus zero") << -0.0f << "0";
    QTest::newRow("fraction") << 2.5f << "2.5";
}

void RuntimeTest::numberToText()
{
    QFETCH(float, value);
    QFETCH(QString, text);
    QCOMPARE(tavrilo::numberToText(value), text);
}

void RuntimeTest::textComparison_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<float>("value");
    QTest::addColumn<bool>("equal");
    QTest::newRow("same") << "3" << 3.0f << true;
    QTest::newRow("negative") << "-2" << -2.0f << true;
    QTest::newRow("zero") << "0" << 0.0f << true;
    QTest::newRow("minus zero") << "-0" << 0.0f << false;
    QTest::newRow("plus sign") << "+3" << 3.0f << false;
    QTest::newRow("leading zero") << "03" << 3.0f << false;
    QTest::newRow("leading blank") << " 3" << 3.0f << false;
    QTest::newRow("trailing blank") << "3 " << 3.0f << false;
    QTest::newRow("decimals") << "3.0" << 3.0f << false;
    QTest::newRow("decimal comma") << "3,0" << 3.0f << false;
    QTest::newRow("Unicode minus") << QString::fromUtf8("\u22122") << -2.0f << false;
}

void RuntimeTest::textComparison()
{
    QFETCH(QString, text);
    QFETCH(float, value);
    QFETCH(bool, equal);
    QCOMPARE(textMatchesNumber(text, value), equal);
}

void RuntimeTest::randomValuesStayBelowOne()
{
    QCOMPARE(ClockRandom::fromBits(0), 0.0f);
    QVERIFY(ClockRandom::fromBits(0xFFFFFFFFu) < 1.0f);
    ClockRandom random;
    random.seedFromClock();
    float low = 1, high = 0;
    for (int i = 0; i < 100000; ++i) {
        const float v = random.next();
        QVERIFY(v >= 0.0f && v < 1.0f);
        low = std::min(low, v);
        high = std::max(high, v);
    }
    QVERIFY(low < 0.001f && high > 0.999f);

    // Two clock seeds a moment apart give different sequences.
    ClockRandom other;
    QTest::qWait(2);
    other.seedFromClock();
    random.seedFromClock();
    bool differs = false;
    for (int i = 0; i < 8; ++i)
        differs |= random.next() != other.next();
    QVERIFY(differs);
}

void RuntimeTest::userScaleMapsTheDrawingArea_data()
{
    QTest::addColumn<int>("x");
    QTest::addColumn<int>("y");
    QTest::addColumn<QPointF>("pixels");
    QTest::newRow("top left") << -8 << 8 << QPointF(0, 0);
    QTest::newRow("bottom right") << 8 << -8 << QPointF(285, 285);
    QTest::newRow("origin") << 0 << 0 << QPointF(142.5, 142.5);
    QTest::newRow("(-7, 7)") << -7 << 7 << QPointF(17.8125, 17.8125);
    QTest::newRow("(3, -2)") << 3 << -2 << QPointF(195.9375, 178.125);
}

void RuntimeTest::userScaleMapsTheDrawingArea()
{
    QFETCH(int, x);
    QFETCH(int, y);
    QFETCH(QPointF, pixels);
    PlaneDrawing plane(QSizeF(285, 285));
    plane.setUserScale(-8, 8, 8, -8);
    QCOMPARE(plane.toPixels(x, y), pixels);
}

void RuntimeTest::clearKeepsScaleAndPen()
{
    PlaneDrawing plane(QSizeF(285, 285));
    plane.setUserScale(-8, 8, 8, -8);
    plane.setPenWidth(4);
    plane.circle(1, 1, 0.1f, 0x0000FF);
    plane.circle(2, 2, 0.1f, 0xFF0000);
    QCOMPARE(plane.circles().size(), size_t(2));
    plane.clear();
    QVERIFY(plane.circles().empty());
    plane.circle(0, 0, 0.1f, 0x0000FF);
    QCOMPARE(plane.circles().front().centre, QPointF(142.5, 142.5));
    QCOMPARE(plane.circles().front().penWidth, 4);
}

// Renders the drawing onto white and returns the image.
static QImage rendered(const PlaneDrawing &plane)
{
    QImage image(285, 285, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    plane.render(painter);
    return image;
}

void RuntimeTest::dotIsASolidDisc()
{
    PlaneDrawing plane(QSizeF(285, 285));
    plane.setUserScale(-8, 8, 8, -8);
    plane.setPenWidth(4);
    plane.circle(0, 0, 0.1f, 0x0000FF);
    const QImage image = rendered(plane);

    // Strongly red pixels: a filled disc about 7-8 px across around (142.5, 142.5).
    int left = 285, right = -1, top = 285, bottom = -1;
    for (int y = 0; y < 285; ++y)
        for (int x = 0; x < 285; ++x)
            if (qGreen(image.pixel(x, y)) < 128) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
    const int width = right - left + 1, height = bottom - top + 1;
    QVERIFY2(width >= 6 && width <= 8 && height >= 6 && height <= 8,
             qPrintable(QStringLiteral("%1 x %2").arg(width).arg(height)));
    QVERIFY(qAbs((left + right + 1) / 2.0 - 142.5) <= 0.5);
    QVERIFY(qAbs((top + bottom + 1) / 2.0 - 142.5) <= 0.5);
    QCOMPARE(QColor(image.pixel(142, 142)), QColor(255, 0, 0)); // no hole in the middle
}

void RuntimeTest::farOffShapesAreNotPainted()
{
    PlaneDrawing plane(QSizeF(285, 285));
    plane.setUserScale(-8, 8, 8, -8);
    plane.setPenWidth(4);
    const float most = std::numeric_limits<float>::max();
    for (float x : {1e30f, -1e30f, most, -most, 9.0f})
        plane.circle(x, x, 0.1f, 0x0000FF);
    plane.circle(0, 1e30f, 1e30f, 0x0000FF); // its outline would touch the area, from afar
    QImage white(285, 285, QImage::Format_RGB32);
    white.fill(Qt::white);
    QImage image = rendered(plane);
    // Nothing reaches the area: far-off dots are out of sight, and the huge circle is beyond what
    // can be rasterised.
    QCOMPARE(image, white);
}

QTEST_APPLESS_MAIN(RuntimeTest)
#include "tst_runtime.moc"
