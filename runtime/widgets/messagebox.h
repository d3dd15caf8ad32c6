#pragma once

#include <QString>

class QWidget;

namespace tavrilo {

// A modal information box with one OK button; returns when it is dismissed.
void showInformation(QWidget *parent, const QString &prompt, const QString &title);

} // namespace tavrilo
