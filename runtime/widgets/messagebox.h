#pragma once

#include <QString>

class QWidget;

namespace tavrilo {

// A modal information box with one OK button over the parent, which has the keyboard again once
// the box is dismissed. Returns at once; the box deletes itself when it closes.
void showInformation(QWidget *parent, const QString &prompt, const QString &title);

} // namespace tavrilo
