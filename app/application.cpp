#include "application.h"

#include "browser.h"
#include "windowpictures.h"

#include <QApplication>
#include <QFontDatabase>
#include <QIcon>
#include <QResource>
#include <QStyleFactory>
#include <QStyleHints>
#include <QTranslator>
#include <QWidget>

namespace tavrilo {

void setUpPlatform()
{
    // Linked statically (Windows, the web), the program loads no plugins from the machine: Qt's
    // plugin loaders look in no folder then, only at the plugins linked in.
    browser::setUpPlatform();
#ifdef Q_OS_WIN
    // GDI, Qt's default there, also drew the embedded bold face in regular weight under Wine.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "windows:fontengine=freetype");
#endif
}

void setUpApplication()
{
    // Handed over where it lies in the program file: an uncompressed resource comes without a copy,
    // which the font database would otherwise keep for the whole run.
    QFontDatabase::addApplicationFontFromData(
        QResource(QStringLiteral(":/fonts/TavriloSans-Bold.ttf")).uncompressedData());
    browser::setUpApplication();
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Windows")));
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
    // Light, as before Qt 6.8 followed a dark mode on Windows and in browsers: the window's own
    // colours are light, and so stays the message box, everywhere.
    QGuiApplication::styleHints()->setColorScheme(Qt::ColorScheme::Light);
#endif
    // A picture that a web page has fetched for a new ratio replaces its stand-in at once.
    browser::onPictureArrival([] {
        for (QWidget *window : QApplication::topLevelWidgets())
            window->update();
    });
    QApplication::setWindowIcon(programIcon());
    // Wayland compositors find the program's desktop entry, and through it its icon, by this name.
    QGuiApplication::setDesktopFileName(QStringLiteral(TAVRILO_APP_ID));
    // Qt's own texts (the answer boxes' context menu, the message box's button) in Russian like the
    // window's, whatever the system's language. Numbers are still read in the user's locale.
    static QTranslator qtTexts;
    if (!qtTexts.load(QStringLiteral(":/translations/qtbase_ru.qm")) ||
        !QCoreApplication::installTranslator(&qtTexts))
        qWarning("Qt's Russian texts are missing from the program");
}

} // namespace tavrilo
