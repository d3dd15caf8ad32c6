#pragma once

#include "planedrawing.h"

#include <QFrame>
#include <QPixmap>
#include <functional>

namespace tavrilo {

// A picture box: a sunken 2-px frame around a white drawing area that shows a picture at its own
// size from the top-left corner and keeps everything drawn on it until it is cleared.
class PlaneBox : public QFrame, public Canvas {
    Q_OBJECT
public:
    // The picture for a device pixel ratio, so that it is shown at the screen's own resolution.
    using PictureSource = std::function<QPixmap(qreal devicePixelRatio)>;

    PlaneBox(PictureSource picture, QWidget *parent = nullptr);

    void setUserScale(int left, int top, int right, int bottom) override;
    void setPenWidth(int width) override;
    void clear() override;
    void circle(float x, float y, float radius, Bgr colour) override;

    const PlaneDrawing &drawing() const { return drawing_; }

    static constexpr int frameWidth = 2;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    PictureSource source_;
    QPixmap picture_; // for the ratio it was last painted at
    PlaneDrawing drawing_;
};

} // namespace tavrilo
