#include "program.h"

#include <QCoreApplication>

namespace tavrilo {

void endProgram()
{
    QCoreApplication::quit();
}

} // namespace tavrilo
