#include "wrappedlabel.h"

#include <QPainter>
#include <QRawFont>
#include <QTextLayout>
#include <QtEndian>
#include <cmath>

namespace tavrilo {

namespace {

// Ascent, descent and the line gap of the font's horizontal header ('hhea'), rounded up to whole
// pixels as Qt rounds a line's height.
qreal linePitch(const QFont &font)
{
    const QRawFont raw = QRawFont::fromFont(font);
    const QByteArray header = raw.fontTable("hhea");
    const qreal gap = header.size() >= 10 ? qFromBigEndian<qint16>(header.constData() + 8) *
                                                raw.pixelSize() / raw.unitsPerEm()
                                          : 0;
    return std::ceil(raw.ascent() + raw.descent() + gap);
}

} // namespace

WrappedLabel::WrappedLabel(const QString &text, QWidget *parent)
    : QLabel(text, parent)
{
    setWordWrap(true);
}

void WrappedLabel::paintEvent(QPaintEvent *)
{
    // The lines as a word-wrapped QLabel breaks and aligns them, each placed a pitch below the
    // last.
    const QRect area = contentsRect();
    QTextLayout layout(text(), font());
    QTextOption option(alignment() & Qt::AlignHorizontal_Mask);
    option.setWrapMode(QTextOption::WordWrap);
    layout.setTextOption(option);
    const qreal pitch = linePitch(font());
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(area.width());
        line.setPosition({0, pitch * (line.lineNumber())});
    }
    layout.endLayout();

    QPainter painter(this);
    drawFrame(&painter);
    painter.setPen(palette().color(foregroundRole()));
    layout.draw(&painter, area.topLeft());
}

} // namespace tavrilo
