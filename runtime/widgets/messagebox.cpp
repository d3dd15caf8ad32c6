#include "messagebox.h"

#include "page.h"

#include <QMessageBox>

namespace tavrilo {

void showInformation(QWidget *parent, const QString &prompt, const QString &title)
{
    // Without a loop of its own, which a browser cannot give it, yet as modal as one: nothing
    // behind it acts until it is dismissed, and nothing follows it in the handler that shows it.
    auto *box = new QMessageBox(QMessageBox::Information, title, prompt, QMessageBox::Ok, parent);
    box->setObjectName(QStringLiteral("messageBox"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::ApplicationModal);
    // The keyboard goes back to the window at once, also where no window manager hands it back.
    QObject::connect(box, &QDialog::finished, parent, [parent] { parent->activateWindow(); });
    box->show();
    page::say(prompt);
}

} // namespace tavrilo
