#include "program.h"

#include "browser.h"

#include <QGuiApplication>
#include <QWindow>

namespace tavrilo {

void endProgram()
{
    // In a browser the event loop is the page's and never gives main() back: the windows go, and
    // the page says in their place that the program has ended.
    if (browser::pageListens()) {
        for (QWindow *window : QGuiApplication::topLevelWindows())
            window->close();
        browser::ended();
    }
    QCoreApplication::quit();
}

} // namespace tavrilo
