#include "artwork.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPainterPathStroker>
#include <QRadialGradient>
#include <QtMath>
#include <cmath>

namespace tavrilo::pictures {

namespace {

// ---------------------------------------------------------------------------------------------
// Background

constexpr QSize backgroundSize{707, 488};
const QColor fieldColour(195, 255, 255);

QPainterPath spiral(QPointF centre, qreal innerRadius, qreal growth, qreal turns, qreal phase)
{
    QPainterPath path;
    const int steps = int(turns * 48);
    for (int i = 0; i <= steps; ++i) {
        const qreal angle = phase + 2 * M_PI * turns * i / steps;
        const qreal radius = innerRadius * std::exp(growth * (angle - phase));
        const QPointF p = centre + QPointF(std::cos(angle), std::sin(angle)) * radius;
        if (i == 0)
            path.moveTo(p);
        else
            path.lineTo(p);
    }
    return path;
}

// The blue swirl ground of the desk picture, drawn on its own layer so it can fade into the field
// towards the right and the bottom while the objects on it stay solid.
QImage swirlGround(const QRect &area, int scale)
{
    QImage layer(area.size() * scale, QImage::Format_ARGB32_Premultiplied);
    layer.setDevicePixelRatio(scale);
    layer.fill(Qt::transparent);
    QPainter p(&layer);
    p.setRenderHint(QPainter::Antialiasing);

    QLinearGradient ground(0, 0, area.width(), area.height());
    ground.setColorAt(0, QColor(18, 46, 140));
    ground.setColorAt(0.5, QColor(34, 92, 196));
    ground.setColorAt(1, QColor(22, 60, 160));
    p.fillRect(QRectF(QPointF(0, 0), area.size()), ground);

    p.setBrush(Qt::NoBrush);
    const QPointF centres[] = {{26, 66}, {8, 12}, {14, 130}};
    for (const QPointF &c : centres) {
        for (int band = 0; band < 3; ++band) {
            const qreal phase = band * 2 * M_PI / 3;
            p.setPen(QPen(QColor(120, 190, 255, 70), 5, Qt::SolidLine, Qt::RoundCap));
            p.drawPath(spiral(c, 2.5, 0.17, 3.2, phase));
            p.setPen(QPen(QColor(225, 245, 255, 90), 1.2, Qt::SolidLine, Qt::RoundCap));
            p.drawPath(spiral(c, 2.5, 0.17, 3.2, phase + 0.25));
            p.setPen(QPen(QColor(8, 24, 90, 80), 2, Qt::SolidLine, Qt::RoundCap));
            p.drawPath(spiral(c, 2.5, 0.17, 3.2, phase + 0.9));
        }
    }

    // Keep the alpha of the ground only where the fades allow it.
    p.setCompositionMode(QPainter::CompositionMode_DestinationIn);
    QLinearGradient across(0, 0, area.width(), 0);
    across.setColorAt(0, Qt::black);
    across.setColorAt(0.5, Qt::black);
    across.setColorAt(1, Qt::transparent);
    p.fillRect(QRectF(QPointF(0, 0), area.size()), across);
    QLinearGradient down(0, 0, 0, area.height());
    down.setColorAt(0, Qt::black);
    down.setColorAt(0.88, Qt::black);
    down.setColorAt(1, Qt::transparent);
    p.fillRect(QRectF(QPointF(0, 0), area.size()), down);
    return layer;
}

void outline(QPainter &p, const QPainterPath &path, const QBrush &fill, const QColor &edge)
{
    p.setPen(QPen(edge, 0.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(fill);
    p.drawPath(path);
}

QPainterPath polygonPath(std::initializer_list<QPointF> points)
{
    QPainterPath path;
    path.addPolygon(QPolygonF(QList<QPointF>(points)));
    path.closeSubpath();
    return path;
}

// A smooth closed outline through the midpoints of the given corners, for land on the globe.
QPainterPath blob(std::initializer_list<QPointF> corners)
{
    const QList<QPointF> c(corners);
    QPainterPath path((c.last() + c.first()) / 2);
    for (qsizetype i = 0; i < c.size(); ++i)
        path.quadTo(c[i], (c[i] + c[(i + 1) % c.size()]) / 2);
    path.closeSubpath();
    return path;
}

void drawCardIndex(QPainter &p)
{
    const QColor edge(60, 34, 14);
    // The back and inside of the open box.
    outline(p, polygonPath({{7, 30}, {15, 22}, {55, 22}, {47, 30}}), QColor(70, 40, 18), edge);

    // Cards standing in it, the back ones higher and further right.
    const QColor tabs[] = {QColor(220, 40, 40), QColor(40, 160, 70), QColor(240, 200, 30),
                           QColor(40, 110, 220), QColor(230, 120, 30)};
    for (int i = 0; i < 5; ++i) {
        const qreal left = 9.5 + (4 - i) * 1.6;
        const qreal top = 9 + i * 3;
        const QRectF card(left, top, 35, 30 - top);
        QLinearGradient paper(card.topLeft(), card.bottomLeft());
        paper.setColorAt(0, QColor(255, 252, 238));
        paper.setColorAt(1, QColor(228, 220, 196));
        const qreal tabLeft = left + 3 + ((i * 11) % 24);
        QPainterPath shape;
        shape.addRect(card);
        QPainterPath tab;
        tab.addRoundedRect(QRectF(tabLeft, top - 3, 8, 4), 1, 1);
        p.setPen(QPen(QColor(120, 110, 90), 0.6));
        p.setBrush(tabs[i]);
        p.drawPath(tab);
        p.setBrush(paper);
        p.drawPath(shape);
        p.setPen(QPen(QColor(150, 170, 210), 0.5));
        p.drawLine(QPointF(left + 3, top + 3.5), QPointF(left + 31, top + 3.5));
    }

    // Front and side of the box, in wood.
    QLinearGradient front(0, 30, 0, 50);
    front.setColorAt(0, QColor(206, 146, 78));
    front.setColorAt(1, QColor(150, 92, 40));
    outline(p, polygonPath({{7, 30}, {47, 30}, {47, 50}, {7, 50}}), front, edge);
    QLinearGradient side(47, 0, 55, 0);
    side.setColorAt(0, QColor(150, 94, 44));
    side.setColorAt(1, QColor(110, 66, 28));
    outline(p, polygonPath({{47, 30}, {55, 22}, {55, 42}, {47, 50}}), side, edge);
    p.setPen(QPen(QColor(235, 190, 130, 160), 0.7));
    p.drawLine(QPointF(8, 31.2), QPointF(46, 31.2));

    // The label holder and pull on the front.
    outline(p, polygonPath({{21, 34}, {33, 34}, {33, 40}, {21, 40}}), QColor(250, 248, 235),
            QColor(150, 130, 70));
    p.setPen(QPen(QColor(190, 160, 80), 1.3));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(24.5, 41, 5, 5), 0, -180 * 16);
}

void drawPencilCup(QPainter &p)
{
    const QRectF top(10, 71, 24, 7);
    const qreal bottomY = 104;

    outline(
        p,
        [&] {
            QPainterPath inside;
            inside.addEllipse(top);
            return inside;
        }(),
        QColor(70, 10, 12), QColor(90, 10, 14));

    struct Pencil {
        QPointF base, tip;
        QColor body;
    };
    const Pencil pencils[] = {{{16, 76}, {9, 52}, QColor(245, 200, 30)},
                              {{21, 76}, {22, 48}, QColor(40, 110, 220)},
                              {{26, 76}, {34, 54}, QColor(40, 160, 70)},
                              {{29, 76}, {42, 62}, QColor(230, 120, 30)}};
    for (const Pencil &pencil : pencils) {
        const QPointF along = pencil.tip - pencil.base;
        const qreal length = std::hypot(along.x(), along.y());
        const QPointF unit = along / length;
        const QPointF across(-unit.y() * 1.6, unit.x() * 1.6);
        const QPointF cone = pencil.tip - unit * 5.5;
        outline(
            p,
            polygonPath({pencil.base + across, cone + across, cone - across, pencil.base - across}),
            pencil.body, pencil.body.darker(170));
        outline(p, polygonPath({cone + across, pencil.tip, cone - across}), QColor(238, 200, 150),
                QColor(140, 100, 60));
        outline(p,
                polygonPath({pencil.tip - unit * 2 + across * 0.4, pencil.tip,
                             pencil.tip - unit * 2 - across * 0.4}),
                pencil.body.darker(200), pencil.body.darker(220));
    }

    // The cup's front, which hides the lower ends of the pencils.
    QPainterPath body;
    body.moveTo(top.left(), top.center().y());
    body.arcTo(top, 180, 180);
    body.lineTo(top.right() - 1, bottomY);
    body.arcTo(QRectF(top.left() + 1, bottomY - 3.5, top.width() - 2, 7), 0, -180);
    body.closeSubpath();
    QLinearGradient red(top.left(), 0, top.right(), 0);
    red.setColorAt(0, QColor(120, 10, 14));
    red.setColorAt(0.3, QColor(230, 50, 50));
    red.setColorAt(0.42, QColor(255, 150, 140));
    red.setColorAt(0.55, QColor(215, 36, 40));
    red.setColorAt(1, QColor(110, 8, 12));
    outline(p, body, red, QColor(80, 6, 10));
    p.setPen(QPen(QColor(255, 170, 160), 0.9));
    p.setBrush(Qt::NoBrush);
    p.drawArc(top, 180 * 16, 180 * 16);
}

void drawMouseOnPad(QPainter &p)
{
    // The writing pad, a leather blotter seen slightly from above.
    const QPainterPath pad = polygonPath({{3, 117}, {53, 110}, {62, 134}, {6, 141}});
    QLinearGradient leather(0, 110, 0, 141);
    leather.setColorAt(0, QColor(34, 112, 92));
    leather.setColorAt(1, QColor(16, 70, 56));
    outline(p, pad, leather, QColor(8, 40, 30));
    const QPainterPath paper = polygonPath({{8, 118.5}, {50, 112.5}, {57, 132}, {10, 138}});
    outline(p, paper, QColor(246, 244, 232), QColor(160, 160, 140));
    p.setPen(QPen(QColor(150, 180, 225), 0.5));
    for (int i = 1; i < 6; ++i) {
        const qreal t = i / 6.0;
        p.drawLine(QPointF(8 + 2 * t, 118.5 + 19.5 * t), QPointF(50 + 7 * t, 112.5 + 19.5 * t));
    }
    // Leather corners.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(120, 40, 30));
    p.drawPath(polygonPath({{3, 117}, {13, 115.6}, {5, 124}}));
    p.drawPath(polygonPath({{53, 110}, {43, 111.4}, {55.6, 117}}));
    p.drawPath(polygonPath({{62, 134}, {52, 135.3}, {59.5, 127.5}}));
    p.drawPath(polygonPath({{6, 141}, {16, 139.8}, {4.8, 133}}));

    // The mouse, its cable curling away over the pad.
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(60, 60, 70), 1.1, Qt::SolidLine, Qt::RoundCap));
    QPainterPath cable;
    cable.moveTo(38, 113);
    cable.cubicTo(44, 104, 54, 110, 58, 104);
    cable.cubicTo(61, 99, 64, 100, 68, 97);
    p.drawPath(cable);

    p.save();
    p.translate(31, 125);
    p.rotate(-18);
    QPainterPath mouse;
    mouse.addRoundedRect(QRectF(-8, -12, 16, 24), 8, 8);
    QRadialGradient shell(QPointF(-3, -5), 16);
    shell.setColorAt(0, QColor(255, 255, 255));
    shell.setColorAt(0.6, QColor(214, 216, 224));
    shell.setColorAt(1, QColor(150, 152, 164));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 30, 20, 90));
    p.drawRoundedRect(QRectF(-7, -10, 16, 24), 8, 8); // shadow on the pad
    outline(p, mouse, shell, QColor(70, 72, 84));
    p.setPen(QPen(QColor(110, 112, 126), 0.7));
    p.drawLine(QPointF(-8, -3), QPointF(8, -3));
    p.drawLine(QPointF(0, -12), QPointF(0, -3));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(90, 92, 104));
    p.drawRoundedRect(QRectF(-1, -10, 2, 4), 1, 1);
    p.restore();
}

void drawDeskThings(QPainter &p, int scale)
{
    const QRect area(0, 0, 72, 144);
    p.save();
    p.setClipRect(area); // the field around it stays plain for the labels
    p.drawImage(area.topLeft(), swirlGround(area, scale));
    drawCardIndex(p);
    drawPencilCup(p);
    drawMouseOnPad(p);
    p.restore();
}

void drawTitle(QPainter &p, const QFont &typeface)
{
    // Kept half a pixel and the outline pen inside the title area, so no antialiased edge spills
    // over.
    const QRectF box(185, 9, 307, 30);
    const QString title = QStringLiteral("Tavrilo");

    QFont font = typeface;
    font.setPixelSize(100);
    font.setItalic(true);
    font.setBold(true);
    font.setHintingPreference(QFont::PreferNoHinting);

    // The word is widened somewhat and the rest of the title's width goes into even spacing of
    // the letters: stretching it all the way would flatten them.
    const qreal shadowOffset = 2;
    const qreal widen = 1.75;
    const QFontMetricsF metrics(font);
    const auto layOut = [&](qreal tracking) {
        QPainterPath word;
        qreal x = 0;
        for (const QChar c : title) {
            word.addText(x, 0, font, QString(c));
            x += metrics.horizontalAdvance(c) + tracking;
        }
        return word;
    };
    const QRectF tight = layOut(0).boundingRect();
    const qreal scale = (box.height() - shadowOffset) / tight.height();
    const qreal tracking =
        ((box.width() - shadowOffset) / (scale * widen) - tight.width()) / (title.size() - 1);
    const QPainterPath word = layOut(tracking);
    const QRectF ink = word.boundingRect();
    QTransform fit;
    fit.translate(box.left(), box.top());
    fit.scale(scale * widen, scale);
    fit.translate(-ink.left(), -ink.top());
    const QPainterPath shaped = fit.map(word);

    p.setPen(Qt::NoPen);
    p.setBrush(QColor(120, 150, 220, 150));
    p.drawPath(shaped.translated(shadowOffset, shadowOffset));
    QLinearGradient violet(0, box.top(), 0, box.bottom());
    violet.setColorAt(0, QColor(86, 52, 178));
    violet.setColorAt(1, QColor(38, 18, 112));
    p.setPen(QPen(QColor(24, 10, 80), 0.8));
    p.setBrush(violet);
    p.drawPath(shaped);
}

// A figure's parts are strokes and blobs; one outline of them all gets the glow.
QPainterPath strokeOf(const QPainterPath &path, qreal width)
{
    QPainterPathStroker stroker;
    stroker.setWidth(width);
    stroker.setCapStyle(Qt::RoundCap);
    stroker.setJoinStyle(Qt::RoundJoin);
    return stroker.createStroke(path);
}

QPainterPath line(QPointF a, QPointF b)
{
    QPainterPath path(a);
    path.lineTo(b);
    return path;
}

void drawStargazer(QPainter &p)
{
    const QRectF panel(617, 338, 90, 150);
    p.save();
    p.setClipRect(panel);

    QLinearGradient night(0, panel.top(), 0, panel.bottom());
    night.setColorAt(0, QColor(22, 30, 100));
    night.setColorAt(1, QColor(6, 10, 50));
    p.fillRect(panel, night);

    // Ripples of light spreading from behind the figure.
    const QPointF source(672, 398);
    QRadialGradient halo(source, 60);
    halo.setColorAt(0, QColor(200, 170, 255, 150));
    halo.setColorAt(0.4, QColor(120, 100, 230, 60));
    halo.setColorAt(1, QColor(60, 60, 200, 0));
    p.fillRect(panel, halo);
    p.setBrush(Qt::NoBrush);
    for (int ring = 0; ring < 9; ++ring) {
        const qreal radius = 12 + ring * 9;
        const int alpha = std::max(20, 150 - ring * 16);
        p.setPen(QPen(QColor(170, 190, 255, alpha), 1.6 - ring * 0.1));
        p.drawEllipse(source, radius, radius * 0.92);
    }

    // A few stars in the dark corners.
    p.setPen(Qt::NoPen);
    const QPointF stars[] = {{624, 346}, {640, 352}, {700, 345}, {627, 372}, {698, 372},
                             {631, 420}, {700, 418}, {622, 452}, {694, 450}};
    for (int i = 0; i < int(std::size(stars)); ++i) {
        const qreal r = (i % 3 == 0) ? 1.1 : 0.7;
        p.setBrush(QColor(230, 230, 255, 220));
        p.drawEllipse(stars[i], r, r);
    }

    // The globe.
    const QPointF globeCentre(662, 462);
    const qreal globeRadius = 24;
    QRadialGradient sea(globeCentre + QPointF(-9, -10), globeRadius * 1.5);
    sea.setColorAt(0, QColor(140, 190, 255));
    sea.setColorAt(0.45, QColor(50, 90, 210));
    sea.setColorAt(1, QColor(14, 24, 96));
    QPainterPath globe;
    globe.addEllipse(globeCentre, globeRadius, globeRadius);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(160, 140, 255, 60));
    p.drawEllipse(globeCentre, globeRadius + 2.5, globeRadius + 2.5);
    p.setBrush(sea);
    p.drawPath(globe);
    p.save();
    p.setClipPath(globe, Qt::IntersectClip);
    p.setBrush(QColor(110, 200, 150, 150));
    p.drawPath(blob({{646, 446}, {655, 441}, {664, 447}, {660, 456}, {652, 460}, {645, 455}}));
    p.drawPath(blob({{668, 458}, {680, 454}, {685, 466}, {676, 476}, {670, 470}}));
    p.drawPath(blob({{650, 470}, {657, 468}, {660, 478}, {652, 482}}));
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(200, 225, 255, 110), 0.7));
    for (const qreal w : {0.0, 0.4, 0.75})
        p.drawEllipse(globeCentre, globeRadius * w, globeRadius);
    for (const qreal h : {-0.6, -0.3, 0.0, 0.3, 0.6}) {
        const qreal y = globeCentre.y() + h * globeRadius;
        const qreal half = globeRadius * std::sqrt(1 - h * h);
        p.drawArc(QRectF(globeCentre.x() - half, y - 2, 2 * half, 4), 180 * 16, 180 * 16);
    }
    p.restore();

    // The figure, in a long coat, facing left and looking up through a spyglass.
    const QPointF eye(663, 382);
    const QPointF along = QPointF(-32, -14) / std::hypot(32.0, 14.0);
    const QPointF across(along.y(), -along.x());
    const QPointF nearHand = eye + along * 12;
    const QPointF farHand = eye + along * 5;

    QPainterPath coat(QPointF(662.5, 392));
    coat.lineTo(674.5, 391.5);
    coat.quadTo(679, 404, 684, 426);
    coat.quadTo(676, 423.5, 670, 425.5);
    coat.quadTo(663, 424, 657.5, 426);
    coat.quadTo(661, 408, 662.5, 392);
    coat.closeSubpath();
    QPainterPath figure = coat;
    QPainterPath head;
    head.addEllipse(QPointF(667.5, 384), 4.8, 5.3);
    figure = figure.united(head);
    figure = figure.united(strokeOf(line({668, 388}, {669, 392}), 3.5));
    figure = figure.united(strokeOf(line({664, 424}, {662, 436.5}), 3.8));
    figure = figure.united(strokeOf(line({673, 424}, {675.5, 436.5}), 3.8));
    for (const QPointF foot : {QPointF(660.5, 437.5), QPointF(673.5, 437.5)}) {
        QPainterPath boot;
        boot.addEllipse(foot, 3.5, 1.7);
        figure = figure.united(boot);
    }
    QPainterPath nearArm(QPointF(664, 393.5));
    nearArm.lineTo(651.5, 391.5);
    nearArm.lineTo(nearHand);
    QPainterPath farArm(QPointF(671, 394));
    farArm.lineTo(659, 396.5);
    farArm.lineTo(farHand);
    figure = figure.united(strokeOf(nearArm, 3.4)).united(strokeOf(farArm, 3.4));

    // The spyglass: three sections, widening towards the far end.
    QPainterPath spyglass;
    const struct {
        qreal from, to, half;
    } sections[] = {{-1.5, 9, 1.4}, {9, 20, 2.0}, {20, 35, 2.7}};
    for (const auto &section : sections) {
        const QPointF a = eye + along * section.from, b = eye + along * section.to;
        spyglass.addPath(polygonPath({a + across * section.half, b + across * section.half,
                                      b - across * section.half, a - across * section.half}));
    }

    p.setBrush(Qt::NoBrush);
    for (int i = 6; i >= 1; --i) {
        p.setPen(
            QPen(QColor(200, 140, 255, 34), i * 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPath(figure);
        p.drawPath(spyglass);
    }
    QLinearGradient glow(0, 378, 0, 440);
    glow.setColorAt(0, QColor(250, 236, 255));
    glow.setColorAt(0.45, QColor(214, 160, 255));
    glow.setColorAt(1, QColor(150, 90, 235));
    p.setPen(Qt::NoPen);
    p.setBrush(glow);
    p.drawPath(figure);

    QLinearGradient brass(eye + across * 3, eye - across * 3);
    brass.setColorAt(0, QColor(255, 238, 176));
    brass.setColorAt(1, QColor(186, 126, 58));
    outline(p, spyglass, brass, QColor(110, 70, 30));
    p.setPen(Qt::NoPen);
    p.setBrush(glow);
    p.drawEllipse(nearHand, 1.9, 1.9);
    p.drawEllipse(farHand, 1.9, 1.9);
    p.restore();
}

} // namespace

QImage background(int scale, const QFont &titleFont)
{
    QImage image(backgroundSize * scale, QImage::Format_RGB32);
    image.setDevicePixelRatio(scale);
    image.fill(fieldColour);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    drawDeskThings(p, scale);
    drawTitle(p, titleFont);
    drawStargazer(p);
    p.end();
    image.setDevicePixelRatio(1);
    return image;
}

} // namespace tavrilo::pictures
