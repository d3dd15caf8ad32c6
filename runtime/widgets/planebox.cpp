#include "planebox.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>

namespace tavrilo {

namespace {

constexpr int boxSize = 289;

} // namespace

PlaneBox::PlaneBox(PictureSource picture, QWidget *parent)
    : QFrame(parent)
    , source_(std::move(picture))
    , drawing_(QSizeF(boxSize - 2 * frameWidth, boxSize - 2 * frameWidth))
{
    setFrameStyle(QFrame::WinPanel | QFrame::Sunken);
    setFixedSize(boxSize, boxSize);
    setFocusPolicy(Qt::StrongFocus);
}

void PlaneBox::setUserScale(int left, int top, int right, int bottom)
{
    drawing_.setUserScale(left, top, right, bottom);
}

void PlaneBox::setPenWidth(int width)
{
    drawing_.setPenWidth(width);
}

void PlaneBox::clear()
{
    drawing_.clear();
    update(contentsRect());
}

void PlaneBox::circle(float x, float y, float radius, Bgr colour)
{
    drawing_.circle(x, y, radius, colour);
    update(contentsRect());
}

void PlaneBox::paintEvent(QPaintEvent *event)
{
    QFrame::paintEvent(event);
    QPainter painter(this);
    const QRect area = contentsRect();
    painter.setClipRect(area);
    painter.fillRect(area, Qt::white);
    const qreal ratio = devicePixelRatioF();
    if (picture_.isNull() || picture_.devicePixelRatio() != ratio) picture_ = source_(ratio);
    painter.drawPixmap(area.topLeft(), picture_);
    painter.translate(area.topLeft());
    drawing_.render(painter);

    if (hasFocus()) {
        // The focus shows on the frame, leaving the plane itself as it is.
        painter.resetTransform();
        painter.setClipping(false);
        QStyleOptionFocusRect option;
        option.initFrom(this);
        option.rect = rect();
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
    }
}

} // namespace tavrilo
