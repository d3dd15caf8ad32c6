#include "messagebox.h"

#include "page.h"

#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>
#include <QWindow>

namespace tavrilo {

namespace {

// In a browser the screen is the window's place on the page, and the box's title bar can drag it
// off there while it still blocks everything behind it: it stops where it can still be reached.
class KeptOnScreen : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *object, QEvent *event) override
    {
        if (event->type() == QEvent::Move) {
            auto *box = static_cast<QWidget *>(object);
            const QRect screen = box->screen()->availableGeometry(), frame = box->frameGeometry();
            const QPoint kept(
                qBound(screen.left(), frame.left(), screen.right() - frame.width() + 1),
                qBound(screen.top(), frame.top(), screen.bottom() - frame.height() + 1));
            if (kept != frame.topLeft()) box->move(kept);
        }
        return false;
    }
};

} // namespace

void showInformation(QWidget *parent, const QString &prompt, const QString &title)
{
    // Without a loop of its own, which a browser cannot give it, yet as modal as one: nothing
    // behind it acts until it is dismissed, and nothing follows it in the handler that shows it.
    auto *box = new QMessageBox(QMessageBox::Information, title, prompt, QMessageBox::Ok, parent);
    box->setObjectName(QStringLiteral("messageBox"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::ApplicationModal);
    // The keyboard goes back to the window at once, also where no window manager hands it back;
    // the question is no longer news.
    QObject::connect(box, &QDialog::finished, parent, [parent] {
        parent->activateWindow();
        page::say(QString());
    });
#ifdef Q_OS_WASM
    box->installEventFilter(new KeptOnScreen(box));
#endif
    // Heard in a browser once it has the keyboard, the moment a screen reader would say it.
    QObject::connect(qGuiApp, &QGuiApplication::focusWindowChanged, box,
                     [box, prompt, heard = false](QWindow *focus) mutable {
                         if (heard || focus != box->windowHandle()) return;
                         heard = true;
                         page::say(prompt);
                     });
    box->show();
}

} // namespace tavrilo
