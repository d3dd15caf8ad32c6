#include "application.h"

#include <QApplication>
#include <QFontDatabase>
#include <QIcon>
#include <QStyleFactory>

namespace tavrilo {

void setUpApplication()
{
    QFontDatabase::addApplicationFont(QStringLiteral(":/fonts/LiberationSans-Bold.ttf"));
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Windows")));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/pictures/icon.png")));
}

} // namespace tavrilo
