// The window on a high-DPI screen: the ratio comes from the platform (QT_SCALE_FACTOR or the
// offscreen platform's screen configuration), set per run by the test suite.
#include "application.h"
#include "formdriver.h"
#include "windowpictures.h"

#include <QtTest>
#include <cmath>

using namespace tavrilo;
using namespace tavrilo::testing;

namespace {

bool isTeal(QRgb p)
{
    return qAbs(qRed(p) - 96) < 12 && qAbs(qGreen(p) - 165) < 12 && qAbs(qBlue(p) - 160) < 12;
}
bool isWhite(QRgb p)
{
    return qRed(p) > 240 && qGreen(p) > 240 && qBlue(p) > 240;
}

} // namespace

class HighDpiTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();

    void windowScalesAsOne();
    void gridLinesAreSharpAndInPlace_data();
    void gridLinesAreSharpAndInPlace();
    void dotsSitOnTheirCrossings();
    void picturesAreMadeAtTheScreensResolution();

private:
    qreal ratio = 1;
};

void HighDpiTest::initTestCase()
{
    setUpApplication();
    Form1 form;
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    ratio = form.devicePixelRatioF();
    qInfo("device pixel ratio %g", ratio);
    QVERIFY2(ratio > 1, "this suite runs on a high-DPI screen; the test setup gives it none");
}

void HighDpiTest::windowScalesAsOne()
{
    Form1 form;
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QCOMPARE(form.size(), QSize(706, 487)); // logical pixels do not change...
    const QImage window = form.grab().toImage();
    // ...while the pixels painted grow with the screen.
    QCOMPARE(window.width(), qRound(706 * ratio));
    QCOMPARE(window.height(), qRound(487 * ratio));
    QCOMPARE(window.devicePixelRatio(), ratio);
    const QImage area = drawingArea(form, "p1");
    QCOMPARE(area.width(), qRound(285 * ratio));
}

void HighDpiTest::gridLinesAreSharpAndInPlace_data()
{
    QTest::addColumn<int>("column");
    // Vertical lines, looked at between rows 180 and 190: no horizontal line or label there.
    for (int c : gridColumns)
        if (c != 143) QTest::addRow("column %d", c) << c;
}

void HighDpiTest::gridLinesAreSharpAndInPlace()
{
    QFETCH(int, column);
    Form1 form;
    const QImage area = drawingArea(form, "p1");
    const int width = std::max(1, int(std::lround(ratio)));
    const int top = qRound(180 * ratio), bottom = qRound(190 * ratio);

    // The line's first device column, within the half pixel by which the box's own position may
    // shift it on a fractional screen.
    const int expected = int(std::lround(column * ratio));
    int found = -1;
    for (int x = std::max(0, expected - 1); x <= expected + 1 && found < 0; ++x)
        if (isTeal(area.pixel(x, top))) found = x;
    QVERIFY2(found >= 0, qPrintable(QStringLiteral("no line near device column %1").arg(expected)));

    for (int y = top; y < bottom; ++y) {
        // Whole device pixels of pure line colour...
        for (int x = found; x < found + width; ++x)
            QVERIFY2(isTeal(area.pixel(x, y)),
                     qPrintable(QStringLiteral("(%1, %2)").arg(x).arg(y)));
        // ...and plain white beside them: no blur on either side.
        if (found > 0) QVERIFY(isWhite(area.pixel(found - 1, y)));
        QVERIFY(isWhite(area.pixel(found + width, y)));
    }
}

void HighDpiTest::dotsSitOnTheirCrossings()
{
    Form1 form;
    click(form, "Command2");
    for (int i = 0; i < 10; ++i) {
        const auto blob = findBlob(drawingArea(form, "p1"), isRed);
        QVERIFY(blob);
        const QPointF centre = blob->centre / ratio;
        const QPointF delta = centre - crossing(targetX(form), targetY(form));
        QVERIFY2(qAbs(delta.x()) <= 1.5 && qAbs(delta.y()) <= 1.5, qPrintable(describe(centre)));
        // A round dot about 7-8 logical pixels across, drawn at device resolution.
        const double diameter = 2 * std::sqrt(blob->pixels / M_PI) / ratio;
        QVERIFY2(diameter > 5.5 && diameter < 8.5, qPrintable(QString::number(diameter)));
        click(form, "Command5");
    }
}

void HighDpiTest::picturesAreMadeAtTheScreensResolution()
{
    const QPixmap grid = planeGridPicture(ratio);
    QCOMPARE(grid.devicePixelRatio(), ratio);
    QCOMPARE(grid.width(), int(std::ceil(288 * ratio)));
    const QPixmap background = backgroundPicture(ratio);
    QCOMPARE(background.devicePixelRatio(), ratio);
    QCOMPARE(background.width(), qRound(707 * ratio));
    Form1 form;
    const QIcon icon = form.windowIcon();
    QVERIFY(icon.availableSizes().contains(QSize(256, 256)));
    QVERIFY(!icon.pixmap(QSize(48, 48), ratio).isNull());
    QCOMPARE(icon.pixmap(QSize(48, 48), ratio).width(), qRound(48 * ratio));
}

QTEST_MAIN(HighDpiTest)
#include "tst_hidpi.moc"
