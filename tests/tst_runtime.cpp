// The services under the quiz: random values and plane drawings.
#include "planedrawing.h"
#include "random.h"

#include <QImage>
#include <QPainter>
#include <QtTest>

using namespace tavrilo;

class RuntimeTest : public QObject {
    Q_OBJECT

private slots:
    void randomValuesCoverZeroToOne()
    {
        // From the top 24 of 32 bits: all 32 would round up to exactly 1.0 in single precision.
        QVERIFY(ClockRandom::fromBits(0xFFFFFFFFu) < 1.0f);
        ClockRandom random;
        random.seedFromClock();
        float low = 1, high = 0;
        for (int i = 0; i < 100000; ++i) {
            const float v = random.next();
            QVERIFY(v >= 0.0f && v < 1.0f);
            low = std::min(low, v), high = std::max(high, v);
        }
        QVERIFY(low < 0.001f && high > 0.999f);
        // Seeded at another moment, a generator starts another sequence.
        const auto first = [] {
            ClockRandom seeded;
            seeded.seedFromClock();
            return seeded.next();
        };
        const float start = first();
        QTRY_VERIFY(first() != start);
    }

    void planesDrawInTheirScaleAndPen()
    {
        PlaneDrawing plane(QSizeF(285, 285));
        plane.setUserScale(-8, 8, 8, -8);
        plane.setPenWidth(4);
        QCOMPARE(plane.toPixels(-8, 8), QPointF(0, 0));
        QCOMPARE(plane.toPixels(8, -8), QPointF(285, 285));
        QCOMPARE(plane.toPixels(3, -2), QPointF(195.9375, 178.125));
        // Where the shapes paint mostly red or mostly blue, on white.
        const auto painted = [&plane](int (*channel)(QRgb)) {
            QImage image(285, 285, QImage::Format_RGB32);
            image.fill(Qt::white);
            QPainter painter(&image);
            plane.render(painter);
            QRegion region;
            for (int y = 0; y < 285; ++y)
                for (int x = 0; x < 285; ++x)
                    if (qGreen(image.pixel(x, y)) < 128 && channel(image.pixel(x, y)) >= 128)
                        region += QRect(x, y, 1, 1);
            return region;
        };
        // The drill's dot, the pen wider than its hole: a solid disc 7 px across on its point.
        plane.circle(0, 0, 0.1f, 0x0000FF);
        QCOMPARE(painted(qRed).boundingRect(), QRect(139, 139, 7, 7));
        QVERIFY(painted(qRed).contains(QPoint(142, 142)));
        // A ring 4 px wide, 17.8 px from its centre at (-4, 4), at pixel 71.25.
        plane.circle(-4, 4, 1, 0xFF0000);
        QCOMPARE(painted(qBlue).boundingRect(), QRect(51, 51, 40, 40));
        QCOMPARE(painted(qBlue).intersected(QRect(40, 71, 30, 1)).boundingRect().width(), 4);
        plane.clear();
        QVERIFY(painted(qRed).isEmpty() && painted(qBlue).isEmpty());
        // A circle so large and far off that the rasteriser's fixed point cannot place it is left
        // out: Qt 6.4 would draw this one's thin edge on row 0 instead of near the middle.
        plane.setPenWidth(1);
        plane.circle(0, 1e30f, 1e30f, 0x0000FF);
        QVERIFY(painted(qRed).isEmpty());
    }
};

QTEST_APPLESS_MAIN(RuntimeTest)
#include "tst_runtime.moc"
