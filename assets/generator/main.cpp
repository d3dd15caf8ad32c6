// Redraws the program's pictures into a directory (normally assets/pictures in the source tree):
//   tavrilo_make_pictures [--font FILE] DIRECTORY
// The title and icon lettering come from a serif italic font file read only here; the pictures
// that ship carry the drawn letters, so the program itself needs no such font.
#include "artwork.h"
#include "iconfiles.h"
#include "planegrid.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QGuiApplication>
#include <cstdio>

namespace {

bool save(const QImage &image, const QDir &dir, const QString &name)
{
    const QString path = dir.filePath(name);
    if (!image.save(path, "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

// The pixels as the program shows them, 32-bit 0xffRRGGBB words in little-endian order with no
// header: the program uses them in place, with nothing to decode at start-up.
bool saveRaw(const QImage &image, const QDir &dir, const QString &name)
{
    const QImage pixels = image.convertToFormat(QImage::Format_RGB32);
    QFile file(dir.filePath(name));
    if (!file.open(QIODevice::WriteOnly)) return false;
    for (int y = 0; y < pixels.height(); ++y)
        for (int x = 0; x < pixels.width(); ++x) {
            const QRgb p = pixels.pixel(x, y) | 0xff000000u;
            const char bytes[4] = {char(qBlue(p)), char(qGreen(p)), char(qRed(p)), char(0xff)};
            if (file.write(bytes, 4) != 4) return false;
        }
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    // Fonts need a QGuiApplication; nothing is ever shown, so no display is needed either.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Draws the Tavrilo pictures."));
    parser.addHelpOption();
    const QCommandLineOption fontOption(
        QStringLiteral("font"), QStringLiteral("Serif bold italic font for the lettering."),
        QStringLiteral("file"),
        QStringLiteral("/usr/share/fonts/truetype/dejavu/DejaVuSerif-BoldItalic.ttf"));
    parser.addOption(fontOption);
    parser.addPositionalArgument(QStringLiteral("directory"),
                                 QStringLiteral("Where to write the pictures."));
    parser.process(app);
    if (parser.positionalArguments().size() != 1) parser.showHelp(1);

    const int fontId = QFontDatabase::addApplicationFont(parser.value(fontOption));
    if (fontId < 0) {
        std::fprintf(stderr, "cannot load the font %s\n", qPrintable(parser.value(fontOption)));
        return 1;
    }
    const QFont lettering(QFontDatabase::applicationFontFamilies(fontId).value(0));

    const QDir dir(parser.positionalArguments().constFirst());
    if (!dir.exists()) {
        std::fprintf(stderr, "no such directory %s\n", qPrintable(dir.path()));
        return 1;
    }

    using namespace tavrilo::pictures;
    bool ok = save(planeGrid(1), dir, QStringLiteral("plane-grid.png")) &&
              save(planeGrid(2), dir, QStringLiteral("plane-grid@2x.png")) &&
              save(background(1, lettering), dir, QStringLiteral("background.png")) &&
              saveRaw(background(1, lettering), dir, QStringLiteral("background.rgb32")) &&
              save(background(2, lettering), dir, QStringLiteral("background@2x.png")) &&
              save(withPalette(icon(48, lettering)), dir, QStringLiteral("icon.png"));
    for (const int size : {48, 64, 128, 256})
        ok = ok && saveRaw(icon(size, lettering), dir, QStringLiteral("icon-%1.rgb32").arg(size));
    // 192 and 512: the web page's icons, which browsers install it as an app with.
    for (const int size : {64, 128, 192, 256, 512})
        ok = ok &&
             save(withPalette(icon(size, lettering)), dir, QStringLiteral("icon-%1.png").arg(size));

    QFile ico(dir.filePath(QStringLiteral("tavrilo.ico")));
    const QByteArray icoBytes =
        windowsIcon({icon(48, lettering), icon(32, lettering), icon(16, lettering)});
    ok = ok && ico.open(QIODevice::WriteOnly) && ico.write(icoBytes) == icoBytes.size();
    QFile icns(dir.filePath(QStringLiteral("tavrilo.icns")));
    const QByteArray icnsBytes =
        appleIcon({icon(128, lettering), icon(256, lettering), icon(512, lettering)});
    ok = ok && icns.open(QIODevice::WriteOnly) && icns.write(icnsBytes) == icnsBytes.size();
    if (!ok) {
        std::fprintf(stderr, "could not write all the pictures to %s\n", qPrintable(dir.path()));
        return 1;
    }
    return 0;
}
