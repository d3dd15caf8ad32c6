#include "messagebox.h"

#include "browser.h"
#include "browserwindows.h"

#include <QGuiApplication>
#include <QMessageBox>
#include <QWindow>

namespace tavrilo {

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
        browser::say(QString());
    });
    browser::keepWithinScreen(*box);
    // Heard in a browser once it has the keyboard, the moment a screen reader would say it.
    QObject::connect(qGuiApp, &QGuiApplication::focusWindowChanged, box,
                     [box, prompt, heard = false](QWindow *focus) mutable {
                         if (heard || focus != box->windowHandle()) return;
                         heard = true;
                         browser::say(prompt);
                     });
    box->show();
}

} // namespace tavrilo
