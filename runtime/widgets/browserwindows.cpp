#include "browserwindows.h"

#include "browser.h"

#include <QEvent>
#include <QPointer>
#include <QScreen>
#include <QWidget>

namespace tavrilo::browser {

namespace {

// Stops a window that its title bar drags off the screen where it can still be reached, since it
// may block everything behind it.
class KeptOnScreen : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *object, QEvent *event) override
    {
        if (event->type() == QEvent::Move) {
            auto *window = static_cast<QWidget *>(object);
            const QRect screen = window->screen()->availableGeometry(),
                        frame = window->frameGeometry();
            const QPoint kept(
                qBound(screen.left(), frame.left(), screen.right() - frame.width() + 1),
                qBound(screen.top(), frame.top(), screen.bottom() - frame.height() + 1));
            if (kept != frame.topLeft()) window->move(kept);
        }
        return false;
    }
};

} // namespace

void showMainWindow(QWidget &window)
{
    if (inPage()) {
        window.setWindowFlag(Qt::FramelessWindowHint);
        window.move(window.screen()->geometry().topLeft());
    }
    // The control the window means to start with keeps the keyboard. In a browser, Qt 6.8 activates
    // the window before its controls show, and would hand the keyboard to the next one instead.
    QPointer<QWidget> first = window.focusWidget();
    window.show();
    if (first) first->setFocus(Qt::ActiveWindowFocusReason);
}

void keepWithinScreen(QWidget &window)
{
    if (inPage()) window.installEventFilter(new KeptOnScreen(&window));
}

} // namespace tavrilo::browser
