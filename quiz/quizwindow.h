#pragma once

#include "canvas.h"

#include <QString>

namespace tavrilo {

enum class TextBox { t1, t2 };
enum class Caption { Label5, Label7, Label8 };
enum class Plane { p1, p2 };

// What the button handlers use of the window: the answer boxes, three captions, the two planes,
// a message box and the end of the program.
class QuizWindow {
public:
    virtual ~QuizWindow() = default;

    virtual QString text(TextBox box) const = 0;
    virtual void setText(TextBox box, const QString &text) = 0;
    virtual void setCaption(Caption label, const QString &text) = 0;
    virtual Canvas &plane(Plane plane) = 0;
    virtual void showMessage(const QString &prompt, const QString &title) = 0;
    virtual void endProgram() = 0;
};

} // namespace tavrilo
