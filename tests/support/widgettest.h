#pragma once

// Drives the real window as a user would, and reads what it shows; controls are named by what they
// are in the drill (window.json).
#include "mainwindow.h"
#include "window.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QtTest>

namespace tavrilo::testing {

template <typename T = QWidget> T *widget(const MainWindow &window, QStringView meaning)
{
    return window.findChild<T *>(control(meaning).objectName);
}

inline void click(const MainWindow &window, QStringView button)
{
    QTest::mouseClick(widget<QPushButton>(window, button), Qt::LeftButton);
}

inline void type(const MainWindow &window, QStringView box, const QString &text)
{
    widget<QLineEdit>(window, box)->clear();
    QTest::keyClicks(widget(window, box), text);
}

// What a plane's drawing area shows, in device pixels, once the event loop has painted. At ratio 1
// it is read from the screen, where a plane changed without a repaint still shows its old state;
// the offscreen platform keeps its screen at ratio 1 only, so at others the plane paints anew.
inline QImage shown(const MainWindow &window, QStringView plane)
{
    QCoreApplication::processEvents();
    auto *box = widget<PlaneBox>(window, plane);
    if (window.devicePixelRatioF() != 1) return box->grab(box->contentsRect()).toImage();
    const QRect r = box->contentsRect().translated(box->pos());
    return window.screen()
        ->grabWindow(window.winId(), r.x(), r.y(), r.width(), r.height())
        .toImage();
}

// The point the dot of the colour on the plane marks, as the screen shows it (see readDot).
inline QPoint dotOn(const MainWindow &window, QStringView plane, QColor colour)
{
    return readDot(shown(window, plane), window.devicePixelRatioF(), colour);
}

} // namespace tavrilo::testing
