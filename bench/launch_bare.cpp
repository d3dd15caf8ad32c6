// The floor for the start-up benchmark: a plain Qt window of the main window's size with one button
// and one label, timed and shown the same way.
#include "browserwindows.h"
#include "firstpaint.h"

#include <QLabel>
#include <QPushButton>

int main(int argc, char *argv[])
{
    tavrilo::bench::FirstPaintApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Bare"));
    window.setFixedSize(706, 487);
    auto *button = new QPushButton(QStringLiteral("Button"), &window);
    button->setGeometry(64, 16, 113, 25);
    auto *label = new QLabel(QStringLiteral("Label"), &window);
    label->setGeometry(512, 24, 137, 17);
    app.watch(&window);
    tavrilo::browser::showMainWindow(window);
    return app.exec();
}
