// The floor for the start-up benchmark: a plain Qt window of the main window's size with one button
// and one label, timed the same way.
#include "firstpaint.h"

#include <QLabel>
#include <QPushButton>
#include <QScreen>

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
#ifdef Q_OS_WASM
    // Shown as the program shows its window in a page (tavrilo::showMainWindow).
    window.setWindowFlag(Qt::FramelessWindowHint);
    window.move(window.screen()->geometry().topLeft());
#endif
    window.show();
    return app.exec();
}
