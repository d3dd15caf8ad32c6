#include "application.h"
#include "form1.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    tavrilo::setUpPlatform();
    QApplication app(argc, argv);
    tavrilo::setUpApplication();
    tavrilo::Form1 window;
    tavrilo::showMainWindow(window);
    return app.exec();
}
