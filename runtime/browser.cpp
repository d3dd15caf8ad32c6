#include "browser.h"

#include <QtGlobal>
#include <limits>

#ifdef Q_OS_WASM

#include <QFontDatabase>
#include <QGuiApplication>
#include <QResource>
#include <emscripten/bind.h>
#include <emscripten/val.h>

namespace tavrilo::browser {

namespace {

// The page's side: Module.tavriloPage, given by its loader, with the methods say(text) and ended().
emscripten::val listener()
{
    return emscripten::val::module_property("tavriloPage");
}

void (*pictureArrived)() = nullptr;

void picturesChanged()
{
    if (pictureArrived) pictureArrived();
}

} // namespace

// What the page calls on the program: Module.picturesChanged().
EMSCRIPTEN_BINDINGS(tavrilo_page)
{
    emscripten::function("picturesChanged", &picturesChanged);
}

bool inPage()
{
    return true;
}

bool pageListens()
{
    return !listener().isUndefined();
}

void setUpPlatform()
{
    // Read by Qt as packaging/web/qt-patches/ changes it: a learner who needs a screen reader
    // should not have to find Qt's switch for it first.
    qputenv("QT_WASM_ENABLE_ACCESSIBILITY", "1");
}

void setUpApplication()
{
    // The program's own regular face, at Qt's size, fitted to the pixels as the window's are.
    QFontDatabase::addApplicationFontFromData(
        QResource(QStringLiteral(":/fonts/TavriloSans-Regular.ttf")).uncompressedData());
    QFont font = QGuiApplication::font();
    font.setFamily(QStringLiteral("Tavrilo Sans"));
    font.setHintingPreference(QFont::PreferVerticalHinting);
    QGuiApplication::setFont(font);
}

int longestAnswer()
{
    // The memory that a huge paste takes is never given back, and laying out its one line holds
    // up the whole page: no answer needs more than this.
    return 10000;
}

QImage picture(const QString &file)
{
    if (!pageListens()) return {};
    // Its pixels, {width, height, pixels: a Uint8Array of 0xffRRGGBB words}, as the page decodes
    // it; the file's bytes, a Uint8Array, where the page cannot; or null.
    const emscripten::val found = listener().call<emscripten::val>("picture", file.toStdString());
    if (found.isNull() || found.isUndefined()) return {};
    const auto length = [](const emscripten::val &bytes) {
        return qsizetype(bytes["length"].as<double>());
    };
    const auto copy = [](const emscripten::val &bytes, qsizetype size, void *to) {
        emscripten::val(emscripten::typed_memory_view(size_t(size), static_cast<uchar *>(to)))
            .call<void>("set", bytes);
    };
    if (const emscripten::val pixels = found["pixels"]; !pixels.isUndefined()) {
        QImage image(found["width"].as<int>(), found["height"].as<int>(), QImage::Format_RGB32);
        if (image.isNull() || length(pixels) != image.sizeInBytes()) return {};
        copy(pixels, image.sizeInBytes(), image.bits());
        return image;
    }
    QByteArray data(length(found), Qt::Uninitialized);
    copy(found, data.size(), data.data());
    return QImage::fromData(data);
}

void onPictureArrival(void (*callback)())
{
    pictureArrived = callback;
}

void say(const QString &news)
{
    if (pageListens()) listener().call<void>("say", news.toStdString());
}

void ended()
{
    if (pageListens()) listener().call<void>("ended");
}

} // namespace tavrilo::browser

#else

namespace tavrilo::browser {

bool inPage()
{
    return false;
}

bool pageListens()
{
    return false;
}

void setUpPlatform() {}

void setUpApplication() {}

int longestAnswer()
{
    // Any text of any length: QLineEdit would otherwise stop at 32767 characters.
    return std::numeric_limits<int>::max();
}

QImage picture(const QString &)
{
    return {};
}

void onPictureArrival(void (*)()) {}

void say(const QString &) {}

void ended() {}

} // namespace tavrilo::browser

#endif
