#include "application.h"
#include "mainwindow.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    tavrilo::setUpPlatform();
    QApplication app(argc, argv);
    tavrilo::setUpApplication();
    tavrilo::MainWindow window;
    tavrilo::showMainWindow(window);
    return app.exec();
}
