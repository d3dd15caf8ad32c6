#include "page.h"

#ifdef Q_OS_WASM
#include <emscripten/val.h>
#endif

namespace tavrilo::page {

#ifdef Q_OS_WASM

namespace {

// The page's side: Module.tavriloPage, given by its loader, with the methods say(text) and ended().
emscripten::val listener()
{
    return emscripten::val::module_property("tavriloPage");
}

} // namespace

bool present()
{
    return !listener().isUndefined();
}

void say(const QString &news)
{
    if (present()) listener().call<void>("say", news.toStdString());
}

void ended()
{
    if (present()) listener().call<void>("ended");
}

#else

bool present()
{
    return false;
}

void say(const QString &) {}

void ended() {}

#endif

} // namespace tavrilo::page
