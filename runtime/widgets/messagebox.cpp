#include "messagebox.h"

#include <QMessageBox>

namespace tavrilo {

void showInformation(QWidget *parent, const QString &prompt, const QString &title)
{
    QMessageBox box(QMessageBox::Information, title, prompt, QMessageBox::Ok, parent);
    box.setObjectName(QStringLiteral("messageBox"));
    box.exec();
}

} // namespace tavrilo
