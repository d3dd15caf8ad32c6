#pragma once

// The window as a learner sees it, as window.json describes it: its client size, its sixteen
// controls by what each is in the drill (where it stands and what it shows), and the order Tab goes
// round them; and the point a dot on a plane marks. The widget suite holds the window to it; the
// end-to-end test clicks and reads where it says.
#include <QImage>
#include <QStringList>

namespace tavrilo::testing {

struct Control {
    QString meaning, objectName, kind; // kind: button, answerBox, plane, label or alert
    QRect rect;
    QString text, accessibleName; // the name is the text where window.json names none
    bool wordWrap;
    int fontPixels;          // bold Tavrilo Sans; 0 where there is no text
    QColor ink, ground;      // the text's colour, and the colour around it
    Qt::Alignment alignment; // horizontal
};

struct WindowDescription {
    QString objectName;
    QSize size;
    QList<Control> controls;
    QStringList tabOrder; // meanings
};

const WindowDescription &described();
// The control of that meaning; the test fails at once on a meaning window.json lacks.
const Control &control(QStringView meaning);

// The point that the one dot of the colour (pure red or blue) in a plane's drawing area marks, read
// at its device pixel ratio: a disc 6-8 px across on a grid crossing of -7 ... 7; offCrossing for
// anything else of the colour, noDot for nothing.
inline constexpr QPoint noDot(100, 100), offCrossing(99, 99);
QPoint readDot(const QImage &area, qreal ratio, QColor colour);

} // namespace tavrilo::testing
