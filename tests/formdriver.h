#pragma once

// Drives the real window as a user would, and looks at what it shows.
#include "form1.h"
#include "widgettest.h"

#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

namespace tavrilo::testing {

template <typename T> T *control(const Form1 &form, const char *name)
{
    auto *widget = form.findChild<T *>(QLatin1String(name));
    if (!widget) qFatal("no control %s", name);
    return widget;
}

inline void click(const Form1 &form, const char *button)
{
    QTest::mouseClick(control<QPushButton>(form, button), Qt::LeftButton);
}

inline void type(const Form1 &form, const char *box, const QString &text)
{
    auto *edit = control<QLineEdit>(form, box);
    edit->clear();
    QTest::keyClicks(edit, text);
}

// What the drawing area of a plane shows, in its own pixels.
inline QImage drawingArea(const Form1 &form, const char *plane)
{
    auto *box = control<PlaneBox>(form, plane);
    return box->grab(box->contentsRect()).toImage();
}

inline QString describe(QPointF p)
{
    return QStringLiteral("(%1, %2)").arg(p.x()).arg(p.y());
}

// The dot of the given colour on the plane lies on the crossing of (x, y).
inline void verifyDotOnCrossing(const Form1 &form, const char *plane, bool (*colour)(QRgb), int x,
                                int y)
{
    const auto blob = findBlob(drawingArea(form, plane), colour);
    QVERIFY2(blob, qPrintable(QStringLiteral("no dot for (%1, %2)").arg(x).arg(y)));
    const QPointF delta = blob->centre - crossing(x, y);
    QVERIFY2(qAbs(delta.x()) <= 1.5 && qAbs(delta.y()) <= 1.5,
             qPrintable(QStringLiteral("dot for (%1, %2) at %3, crossing at %4")
                            .arg(x)
                            .arg(y)
                            .arg(describe(blob->centre), describe(crossing(x, y)))));
    QVERIFY2(blob->pixels >= 25 && blob->pixels <= 64, qPrintable(QString::number(blob->pixels)));
}

inline int targetX(const Form1 &form)
{
    return int(form.quiz().state().targetX);
}
inline int targetY(const Form1 &form)
{
    return int(form.quiz().state().targetY);
}

// Closes the next modal box as a user would, and tells what it showed.
struct ModalCloser {
    ModalCloser()
    {
        QTimer::singleShot(0, &guard, [this] { poll(); });
    }
    void poll()
    {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box) {
            QTimer::singleShot(10, &guard, [this] { poll(); });
            return;
        }
        text = box->text();
        title = box->windowTitle();
        icon = box->icon();
        buttons = box->buttons().size();
        ok = box->button(QMessageBox::Ok) != nullptr;
        QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
        shown = true;
    }
    QObject guard; // no poll outlives the closer
    bool shown = false;
    QString text, title;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    qsizetype buttons = 0;
    bool ok = false;
};

} // namespace tavrilo::testing
