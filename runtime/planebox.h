#pragma once

#include "planedrawing.h"

#include <QFrame>
#include <QPixmap>

namespace tavrilo {

// A picture box: a sunken 2-px frame around a white drawing area that shows a picture at its own
// size from the top-left corner and keeps everything drawn on it until it is cleared.
class PlaneBox : public QFrame, public Canvas {
    Q_OBJECT
public:
    PlaneBox(const QPixmap &picture, QWidget *parent = nullptr);

    void setUserScale(int left, int top, int right, int bottom) override;
    void setPenWidth(int width) override;
    void clear() override;
    void circle(float x, float y, float radius, Bgr colour) override;

    const PlaneDrawing &drawing() const { return drawing_; }

    static constexpr int frameWidth = 2;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QPixmap picture_;
    PlaneDrawing drawing_;
};

} // namespace tavrilo
