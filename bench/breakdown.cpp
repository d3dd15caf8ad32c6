// Where the program's start-up time goes. Without arguments: the steps of app/main.cpp, each
// followed by a "STEP ns" line (CLOCK_MONOTONIC) for bench_startup. With an ingredient's name:
// QApplication, then that ingredient alone, timed, as "ingredient ns".
#include "application.h"
#include "firstpaint.h"
#include "mainwindow.h"
#include "windowpictures.h"

#include <QElapsedTimer>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyleFactory>
#include <cstring>
#include <functional>
#include <map>

using tavrilo::bench::monotonicNanoseconds;

namespace {

void step(const char *name)
{
    std::printf("%s %lld\n", name, monotonicNanoseconds());
}

const std::map<std::string, std::function<void()>> ingredients{
    {"font",
     [] { QFontDatabase::addApplicationFont(QStringLiteral(":/fonts/TavriloSans-Bold.ttf")); }},
    {"style", [] { QApplication::setStyle(QStyleFactory::create(QStringLiteral("Windows"))); }},
    // The window's own pictures at ratio 1, as it makes them.
    {"icon", [] { tavrilo::programIcon().pixmap(QSize(48, 48)); }},
    {"background", [] { tavrilo::backgroundPicture(1); }},
    {"grid", [] { tavrilo::planeGridPicture(1); }},
    {"fontlookup",
     [] {
         QFont font(QStringLiteral("Tavrilo Sans"));
         font.setPixelSize(16);
         font.setBold(true);
         QFontMetrics(font).horizontalAdvance(QStringLiteral("Укажите координаты"));
     }},
    {"controls",
     [] {
         QWidget parent;
         for (int i = 0; i < 4; ++i)
             new QPushButton(QStringLiteral("Начало"), &parent);
         for (int i = 0; i < 8; ++i)
             new QLabel(QStringLiteral("Задано вопросов:"), &parent);
         for (int i = 0; i < 2; ++i)
             new QLineEdit(&parent);
         for (int i = 0; i < 2; ++i)
             new QFrame(&parent);
     }},
};

} // namespace

int main(int argc, char *argv[])
{
    step("main");
    tavrilo::bench::FirstPaintApplication app(argc, argv);
    step("application");
    if (argc > 1) {
        const auto it = ingredients.find(argv[1]);
        if (it == ingredients.end()) return 2;
        // What the window has by then, untimed: the shipped font to look up, the style to create
        // controls in.
        if (std::strcmp(argv[1], "fontlookup") == 0 || std::strcmp(argv[1], "controls") == 0)
            QFontDatabase::addApplicationFont(QStringLiteral(":/fonts/TavriloSans-Bold.ttf"));
        if (std::strcmp(argv[1], "controls") == 0)
            QApplication::setStyle(QStyleFactory::create(QStringLiteral("Windows")));
        QElapsedTimer timer;
        timer.start();
        it->second();
        std::printf("ingredient %lld\n", timer.nsecsElapsed());
        return 0;
    }
    tavrilo::setUpApplication();
    step("setup");
    tavrilo::MainWindow window;
    step("window");
    app.watch(&window);
    window.show();
    step("show");
    return app.exec();
}
