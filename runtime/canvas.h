#pragma once

#include "colour.h"

namespace tavrilo {

// What the quiz draws with on a plane: a user scale, a pen width, circles, and clearing.
class Canvas {
public:
    virtual ~Canvas() = default;

    // Maps the drawing area so that its top-left corner is (left, top) and its bottom-right corner
    // is (right, bottom); with top > bottom the y axis points up.
    virtual void setUserScale(int left, int top, int right, int bottom) = 0;
    // Later outlines are drawn this many pixels wide.
    virtual void setPenWidth(int width) = 0;
    // Removes every drawing; the picture, scale and pen width stay.
    virtual void clear() = 0;
    // An outline circle in the current pen width; centre and radius in user units.
    virtual void circle(float x, float y, float radius, Bgr colour) = 0;
};

} // namespace tavrilo
