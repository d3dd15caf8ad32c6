// The program's window, built as app/main.cpp builds it, for the start-up benchmark.
#include "application.h"
#include "browserwindows.h"
#include "firstpaint.h"
#include "mainwindow.h"

int main(int argc, char *argv[])
{
    tavrilo::setUpPlatform();
    tavrilo::bench::FirstPaintApplication app(argc, argv);
    tavrilo::setUpApplication();
    tavrilo::MainWindow window;
    app.watch(&window);
    tavrilo::browser::showMainWindow(window);
    return app.exec();
}
