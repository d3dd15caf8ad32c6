#include "application.h"
#include "browserwindows.h"
#include "mainwindow.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    tavrilo::setUpPlatform();
    QApplication app(argc, argv);
    tavrilo::setUpApplication();
    tavrilo::MainWindow window;
    tavrilo::browser::showMainWindow(window);
    return app.exec();
}
