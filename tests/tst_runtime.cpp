// The services under the quiz: conversions by locale, the random values, and plane drawings.
#include "conversion.h"
#include "planedrawing.h"
#include "random.h"

#include <QImage>
#include <QPainter>
#include <QtTest>
#include <limits>

using namespace tavrilo;

namespace {

// A plane with the drill's scale and pen.
PlaneDrawing drillPlane()
{
    PlaneDrawing plane(QSizeF(285, 285));
    plane.setUserScale(-8, 8, 8, -8);
    plane.setPenWidth(4);
    return plane;
}

QImage rendered(const PlaneDrawing &plane)
{
    QImage image(285, 285, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    plane.render(painter);
    return image;
}

} // namespace

class RuntimeTest : public QObject {
    Q_OBJECT

private slots:
    void textToNumber_data();
    void textToNumber();
    void textComparison_data();
    void textComparison();
    void randomValuesStayBelowOne();
    void userScaleMapsTheDrawingArea();
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
        const auto row = [&](const char *text) -> QTestData & {
            return QTest::addRow("%s: %s", locale, text) << QString(locale) << QString(text);
        };
        for (const char *text : {"3", "+3", "03"})
            row(text) << true << 3.0f;
        row("-7") << true << -7.0f;
        row("1e30") << true << 1e30f;
        for (const char *text : {"", "abc", "-", "1e39", "1e999", "nan", "inf", "-inf"})
            row(text) << false << 0.0f;
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

void RuntimeTest::textComparison_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<float>("value");
    QTest::addColumn<bool>("equal");
    for (int i = -7; i <= 7; ++i)
        QTest::addRow("%d", i) << QString::number(i) << float(i) << true;
    QTest::newRow("minus zero typed") << "-0" << 0.0f << false;
    QTest::newRow("minus zero stored") << "0" << -0.0f << true;
    for (const char *text : {"+3", "03", " 3", "3 ", "3.0", "3,0"})
        QTest::newRow(text) << QString(text) << 3.0f << false;
    QTest::newRow("Unicode minus") << QString::fromUtf8("\u22123") << -3.0f << false;
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
    bool differs = false;
    for (int i = 0; i < 8; ++i)
        differs |= random.next() != other.next();
    QVERIFY(differs);
}

void RuntimeTest::userScaleMapsTheDrawingArea()
{
    const PlaneDrawing plane = drillPlane();
    QCOMPARE(plane.toPixels(-8, 8), QPointF(0, 0));
    QCOMPARE(plane.toPixels(8, -8), QPointF(285, 285));
    QCOMPARE(plane.toPixels(0, 0), QPointF(142.5, 142.5));
    QCOMPARE(plane.toPixels(3, -2), QPointF(195.9375, 178.125));
}

void RuntimeTest::dotIsASolidDisc()
{
    PlaneDrawing plane = drillPlane();
    plane.circle(0, 0, 0.1f, 0x0000FF);
    const QImage image = rendered(plane);

    QRect red;
    for (int y = 0; y < 285; ++y)
        for (int x = 0; x < 285; ++x)
            if (qGreen(image.pixel(x, y)) < 128) red |= QRect(x, y, 1, 1);
    QVERIFY2(red.width() >= 6 && red.width() <= 8 && red.height() >= 6 && red.height() <= 8,
             qPrintable(QStringLiteral("%1 x %2").arg(red.width()).arg(red.height())));
    QVERIFY(qAbs(QRectF(red).center().x() - 142.5) <= 0.5);
    QVERIFY(qAbs(QRectF(red).center().y() - 142.5) <= 0.5);
    QCOMPARE(QColor(image.pixel(142, 142)), QColor(255, 0, 0)); // no hole in the middle

    plane.clear(); // the dot goes, the scale and pen stay
    QVERIFY(plane.circles().empty());
    plane.circle(1, 1, 0.1f, 0xFF0000);
    QCOMPARE(plane.circles().front().centre, plane.toPixels(1, 1));
    QCOMPARE(plane.circles().front().penWidth, 4);
}

void RuntimeTest::farOffShapesAreNotPainted()
{
    PlaneDrawing plane = drillPlane();
    const float most = std::numeric_limits<float>::max();
    for (float x : {1e30f, -1e30f, most, -most, 9.0f})
        plane.circle(x, x, 0.1f, 0x0000FF);
    plane.circle(0, 1e30f, 1e30f, 0x0000FF); // its outline would touch the area, from afar
    QImage white(285, 285, QImage::Format_RGB32);
    white.fill(Qt::white);
    // Far-off dots are out of sight, and the huge circle is beyond what can be rasterised.
    QCOMPARE(rendered(plane), white);
}

QTEST_APPLESS_MAIN(RuntimeTest)
#include "tst_runtime.moc"
