// The real program on a private X server, driven only through the screen, mouse and keyboard, as a
// learner would: start, answer the point, take another, be asked to accept a typed answer, exit.
// And the same program on a Wayland compositor of its own, against what it shows on X. The X
// server is the one in DISPLAY, which tests/support/x-session starts (with a window manager where
// one is wanted). TAVRILO_SMOKE_PROGRAM names another command to drive on X, such as
// "wine /path/tavrilo.exe".
// TAVRILO_SMOKE_BROWSER ("chromium" or "firefox") drives the web page in TAVRILO_SMOKE_PAGE (the
// page's folder) instead, served on 127.0.0.1, after the desktop program has shown what the
// window must look like: the same session, then the page's word on Exit, the page again with the
// server stopped, and no request to any other host.
#include "window.h"

#include <QHash>
#include <QImage>
#include <QPainter>
#include <QRegion>
#include <QtTest>
#include <csignal>
#include <cstring>
#include <functional>
#include <optional>
#include <sys/prctl.h>

using namespace Qt::StringLiterals;
using namespace std::string_view_literals;
using namespace tavrilo::testing;

namespace {

const auto rectOf = [](QStringView meaning) { return control(meaning).rect; };

// How much text, black, red or navy, which all lack green, the area shows.
int count(const QImage &image, QRect area)
{
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            n += qGreen(image.pixel(x, y)) < 128;
    return n;
}

// The point a learner reads off a plane of the screen.
const auto dot = [](const QImage &s, QRect plane, QColor c) {
    return readDot(s.copy(plane), 1, c);
};

// Where the image shows in the screenshot, pixel for pixel: found by its top row, then whole. (Both
// 32-bit; pixels alone count, not the colour spaces that the tools that took them say.)
std::optional<QPoint> locate(const QImage &shot, const QImage &image)
{
    const qsizetype bytes = image.width() * 4;
    for (int y = 0; y + image.height() <= shot.height(); ++y)
        for (int x = 0; x + image.width() <= shot.width(); ++x) {
            int row = 0;
            while (row < image.height() && !std::memcmp(image.constScanLine(row),
                                                        shot.constScanLine(y + row) + 4 * x, bytes))
                ++row;
            if (row == image.height()) return QPoint(x, y);
        }
    return std::nullopt;
}

// The smallest rectangle around all that differs between the two looks of the client area, but for
// the controls that change of themselves: the answer boxes' blinking cursor, the focus moving to
// a button clicked.
QRect changed(const QImage &before, const QImage &after)
{
    const QRegion lively = QRegion(rectOf(u"xAnswer")) + rectOf(u"yAnswer") + rectOf(u"nextPoint");
    QRect all;
    for (int y = 0; y < before.height(); ++y)
        for (int x = 0; x < before.width(); ++x)
            if (before.pixel(x, y) != after.pixel(x, y) && !lively.contains(QPoint(x, y)))
                all |= QRect(x, y, 1, 1);
    return all;
}

// Kills a child if this test dies, so that no program outlives a crashed run.
const auto dieWithParent = [] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); };
constexpr int toolTimeout = 30000; // ms; only a broken tool or program takes that long

} // namespace

class SmokeTest : public QObject {
    Q_OBJECT

    // A display server with the program on it; the command that takes a screenshot into the file
    // named last.
    struct Desktop {
        QProcessEnvironment environment;
        QProcess program;
        QStringList shoot;
    };
    Desktop x11_, wayland_;
    QString xdotool_, xwininfo_, import_;
    QTemporaryDir shots_{QDir::tempPath() + u"/tavrilo-smoke-XXXXXX"_s};
    // The web page instead of the program, where asked for: the browser it is shown in.
    const QString browser_ = qEnvironmentVariable("TAVRILO_SMOKE_BROWSER");
    const QSize clientSize = described().size;
    // Inside their frames: the planes' drawing areas, the answer boxes' fields, the mistake count.
    const QRect taskPlane = rectOf(u"targetPlane") - QMargins(2, 2, 2, 2);
    const QRect answerPlane = rectOf(u"answerPlane") - QMargins(2, 2, 2, 2);
    const QRect xBox = rectOf(u"xAnswer") - QMargins(3, 3, 3, 3);
    const QRect yBox = rectOf(u"yAnswer") - QMargins(3, 3, 3, 3);
    const QRect verdict = rectOf(u"verdict"),
                mistakes = rectOf(u"mistakeCount") - QMargins(2, 2, 2, 2);
    QPoint origin_;    // the client area's corner on the X screen
    QImage screen_;    // the client area in the screenshot of the state last awaited
    QImage unstarted_; // the client area before Start

    // Runs a tool on a display; true if it ran and succeeded.
    static bool run(const Desktop &desktop, const QString &tool, const QStringList &arguments,
                    QByteArray *output = nullptr)
    {
        QProcess process;
        process.setProcessEnvironment(desktop.environment);
        process.setStandardErrorFile(QProcess::nullDevice());
        process.start(tool, arguments);
        const bool ended = process.waitForFinished(toolTimeout);
        if (!ended) process.kill(), process.waitForFinished();
        if (output) *output = process.readAllStandardOutput();
        return ended && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    }
    // Clicks and keys. What they should bring about is awaited on the screen, so a failure here
    // is only logged, as the cause of the failure that follows.
    void xdotool(const QString &arguments, QByteArray *output = nullptr)
    {
        if (!run(x11_, xdotool_, arguments.split(u' '), output))
            qWarning("xdotool could not %s", qPrintable(arguments));
    }
    void click(QRect control)
    {
        const QPoint c = control.translated(origin_).center();
        xdotool(u"mousemove --sync %1 %2 click 1"_s.arg(c.x()).arg(c.y()));
    }
    // Looks at the screen until it shows what it should, for up to ten seconds while the program
    // runs, kept as the step's picture.
    bool awaitScreen(const Desktop &desktop, const QString &step,
                     const std::function<bool(const QImage &)> &shows)
    {
        const QString shot = shots_.filePath(step + u".png"_s);
        bool shown = false;
        (void)QTest::qWaitFor(
            [&] {
                return desktop.program.state() != QProcess::Running ||
                       (shown = run(desktop, desktop.shoot.first(), desktop.shoot.mid(1) << shot) &&
                                shows(QImage(shot).convertToFormat(QImage::Format_RGB32)));
            },
            10000);
        if (shown) return true;
        qWarning("%s: not as it should be, see %s", qPrintable(step), qPrintable(shot));
        shots_.setAutoRemove(false);
        return false;
    }
    // The same for the client area; keeps the last look in screen_.
    bool await(const QString &step, const std::function<bool(const QImage &)> &shows)
    {
        return awaitScreen(x11_, step, [&](const QImage &shot) {
            return shows(screen_ = shot.copy({origin_, clientSize}));
        });
    }
    // The same once the look holds still, two looks in a row, but for the controls that change of
    // themselves: a browser may show a change over several frames, and what is measured on a look
    // (where a button is, what the window looks like between steps) must be its last.
    bool awaitSettled(const QString &step, const std::function<bool(const QImage &)> &shows)
    {
        QImage last;
        return await(step, [&](const QImage &s) {
            const bool still = !last.isNull() && changed(last, s).isEmpty();
            last = s;
            return still && shows(s);
        });
    }
    // The window as it was before Start, pixel for pixel, somewhere on the screen: there origin_.
    bool awaitUnstarted(const QString &step)
    {
        return awaitScreen(x11_, step, [&](const QImage &shot) {
            const auto at = locate(shot, unstarted_);
            return at && (origin_ = *at, true);
        });
    }
    // Where the window titled "Tavrilo" shows on the X screen, inside its frame (as xwininfo says:
    // xdotool counts a window manager's frame twice); empty while there is none.
    QRect window()
    {
        QByteArray id, info;
        QHash<QString, int> value;
        if (!run(x11_, xdotool_, u"search --onlyvisible --name ^Tavrilo$"_s.split(u' '), &id))
            return {}; // (xwininfo without a window would wait for a click on one)
        run(x11_, xwininfo_, {u"-id"_s, QString(id).section(u'\n', 0, 0)}, &info);
        for (const QString &line : QString(info).split(u'\n'))
            value[line.section(u':', 0, 0).trimmed()] = line.section(u':', 1).toInt();
        return QRect(value["Absolute upper-left X"], value["Absolute upper-left Y"], value["Width"],
                     value["Height"]);
    }
    static bool startProgram(Desktop &desktop, QStringList command = {})
    {
        desktop.program.setProcessEnvironment(desktop.environment);
        desktop.program.setProcessChannelMode(QProcess::ForwardedChannels);
        desktop.program.setChildProcessModifier(dieWithParent);
        if (command.isEmpty())
            command = QProcess::splitCommand(qEnvironmentVariable("TAVRILO_SMOKE_PROGRAM"));
        if (command.isEmpty()) command = {QStringLiteral(TAVRILO_BINARY)};
        desktop.program.start(command.takeFirst(), command);
        return desktop.program.waitForStarted(toolTimeout);
    }

    // The desktop program ends, and the page takes its place: served here, shown by the browser,
    // found on the screen where it looks exactly as the desktop program's window did.
    bool openPage()
    {
        // A page gives its window the keyboard at once, as a window manager would: what it must
        // show is the desktop's window with the keyboard, its focus on "Начало".
        xdotool(u"search --onlyvisible --name ^Tavrilo$ windowfocus --sync"_s);
        if (!await(u"focused"_s, [&](const QImage &s) { return s != unstarted_; })) return false;
        unstarted_ = screen_;
        click(rectOf(u"exit"));
        return x11_.program.waitForFinished(toolTimeout) &&
               startProgram(x11_, {QStringLiteral(TAVRILO_BROWSER), browser_,
                                   qEnvironmentVariable("TAVRILO_SMOKE_PAGE"), shots_.path()}) &&
               awaitUnstarted(u"page"_s);
    }

private slots:
    // The program on the private X server: its one window titled "Tavrilo", 706 x 487 inside,
    // shows the drill not yet started.
    void initTestCase()
    {
        xdotool_ = QStandardPaths::findExecutable(u"xdotool"_s);
        xwininfo_ = QStandardPaths::findExecutable(u"xwininfo"_s);
        // ImageMagick's own copy, not any other "import" on the path.
        import_ = QStandardPaths::findExecutable(u"import"_s, {u"/usr/bin"_s});
        QVERIFY2(
            !xdotool_.isEmpty() && !xwininfo_.isEmpty() && !import_.isEmpty(),
            "xdotool, xwininfo or import not found: install xdotool, x11-utils and imagemagick");
        QVERIFY2(qEnvironmentVariableIsSet("TAVRILO_X_SESSION"),
                 "not on a private X server: run this through tests/support/x-session");
        x11_.environment = QProcessEnvironment::systemEnvironment();
        x11_.environment.insert(u"QT_QPA_PLATFORM"_s, u"xcb"_s);
        x11_.shoot = {import_, u"-window"_s, u"root"_s};
        QVERIFY2(startProgram(x11_), qPrintable(x11_.program.errorString()));

        QVERIFY2(QTest::qWaitFor([&] { return !window().isEmpty(); }, toolTimeout),
                 "no window titled \"Tavrilo\" appeared");
        QCOMPARE(window().size(), clientSize);
        origin_ = window().topLeft();
        // Before Start: painted (the bare root is black), and no dot, verdict or mistake count.
        QVERIFY(await(u"window"_s, [&](const QImage &s) {
            return count(s, taskPlane) < 285 * 285 / 4 && dot(s, taskPlane, Qt::red) == noDot &&
                   dot(s, answerPlane, Qt::blue) == noDot && !count(s, mistakes) &&
                   !count(s, verdict);
        }));
        unstarted_ = screen_;
        if (!browser_.isEmpty()) QVERIFY2(openPage(), "the page did not show the window");
    }

    // The program on Wayland, under a headless Weston that draws with pixman and so has pixels to
    // give: Qt draws the title bar there, and the client area is the one on X, pixel for pixel.
    void waylandLooksLikeX11()
    {
        if (QStandardPaths::findExecutable(u"weston"_s).isEmpty() ||
            QStandardPaths::findExecutable(u"weston-screenshooter"_s).isEmpty())
            QSKIP("weston not found: install the package weston");
        if (!QFileInfo::exists(QLibraryInfo::path(QLibraryInfo::PluginsPath) +
                               u"/platforms/libqwayland-generic.so"_s))
            QSKIP("Qt's Wayland platform plugin not found: install the package qt6-wayland");

        // The compositor's socket goes into our private folder.
        wayland_.environment = QProcessEnvironment::systemEnvironment();
        wayland_.shoot = {QStringLiteral(TAVRILO_WAYLAND), u"--shoot"_s, shots_.path()};
        QVERIFY(startProgram(wayland_, {QStringLiteral(TAVRILO_WAYLAND), shots_.path(),
                                        QStringLiteral(TAVRILO_BINARY)}));

        // X's client area, pixel for pixel, in a frame of one colour, Qt's own, so that nothing
        // of the window goes on past its 706 x 487.
        QVERIFY(awaitScreen(wayland_, u"wayland"_s, [&](const QImage &shot) {
            const auto at = locate(shot, unstarted_);
            if (!at || at->x() < 1 || at->y() < 1) return false;
            QImage framed(clientSize + QSize(2, 2), QImage::Format_RGB32);
            framed.fill(shot.pixel(*at - QPoint(1, 1)));
            QPainter(&framed).drawImage(1, 1, unstarted_);
            return shot.copy(QRect(*at - QPoint(1, 1), framed.size())) == framed;
        }));
    }

    void learnerSession()
    {
        // Start: one red dot on the task plane, nothing on the answer plane.
        QPoint target; // a point of -7 ... 7 once read
        const auto newPoint = [&](const QImage &s) {
            target = dot(s, taskPlane, Qt::red);
            return dot(s, answerPlane, Qt::blue) == noDot && !count(s, verdict) &&
                   !count(s, xBox) && qAbs(target.x()) <= 7;
        };
        click(rectOf(u"start"));
        QVERIFY(await(u"start"_s, newPoint));

        // A wrong point typed ("--": a minus is no option) and accepted: its blue dot where it
        // says, a verdict, a mistake counted. In a browser, x in the number syntax of its
        // language, "3,0" in Russian and "3.0" in English, which is read so and judged by its text.
        const QPoint wrong = target + QPoint(target.x() < 7 ? 1 : -1, 0);
        const QString decimals = browser_ == u"chromium"  ? u",0"_s
                                 : browser_ == u"firefox" ? u".0"_s
                                                          : QString();
        const auto type = [&](QRect box, const QString &text) {
            click(box);
            xdotool(u"type -- "_s + text);
        };
        type(xBox, QString::number(wrong.x()) + decimals);
        type(yBox, QString::number(wrong.y()));
        click(rectOf(u"accept"));
        QVERIFY(await(u"wrong"_s, [&](const QImage &s) {
            return count(s, verdict) && count(s, mistakes) &&
                   dot(s, answerPlane, Qt::blue) == wrong;
        }));
        const QImage wrongVerdict = screen_.copy(verdict), oneMistake = screen_.copy(mistakes);

        // Another point: the answer, its dot and its verdict cleared, a new red dot.
        click(rectOf(u"nextPoint"));
        QVERIFY(awaitSettled(u"another"_s, newPoint));

        // An answer begun but not accepted: Another point asks for it in a box over the window,
        // which a click on its button closes, and so does Enter. The keyboard is the window's
        // again at once: Space on Another point asks anew. The answer and the point stay. (In
        // this order the pointer always moves: xdotool's --sync waits long for a move that is
        // none.)
        const QImage typed = screen_; // as it will be but for the answer boxes
        type(xBox, QString::number(target.x()));
        QRect box;
        for (const char *closer : {"its button", "Enter", "Enter"}) {
            closer == "its button"sv ? click(rectOf(u"nextPoint")) : xdotool(u"key space"_s);
            QVERIFY(awaitSettled(u"asked"_s, [&](const QImage &s) {
                box = changed(typed, s);
                return box.width() > 100 && box.height() > 60;
            }));
            // The box's one button, centred at its foot: found from the box's face, the colour most
            // of what changed shows, whatever frame or shadow is around it.
            QHash<QRgb, int> colours;
            for (int y = box.top(); y <= box.bottom(); ++y)
                for (int x = box.left(); x <= box.right(); ++x)
                    ++colours[screen_.pixel(x, y)];
            const QRgb face = std::max_element(colours.begin(), colours.end()).key();
            QRect faceArea;
            for (int y = box.top(); y <= box.bottom(); ++y)
                for (int x = box.left(); x <= box.right(); ++x)
                    if (screen_.pixel(x, y) == face) faceArea |= QRect(x, y, 1, 1);
            const QPoint ok = origin_ + QPoint(faceArea.center().x(), faceArea.bottom() - 22);
            xdotool(closer == "Enter"sv
                        ? u"key Return"_s
                        : u"mousemove --sync %1 %2 click 1"_s.arg(ok.x()).arg(ok.y()));
            // Where the look still differs, and where the box and its button were, in the log.
            const auto where = [](QRect r) {
                return u"%1,%2 %3x%4"_s.arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
            };
            QVERIFY2(await(u"closed by "_s + closer,
                           [&](const QImage &s) { return changed(typed, s).isEmpty(); }),
                     qPrintable(u"still changed: %1; the box was at %2, its button at %3,%4"_s
                                    .arg(where(changed(typed, screen_)), where(box))
                                    .arg(ok.x() - origin_.x())
                                    .arg(ok.y() - origin_.y())));
        }

        // The answer finished and accepted: its dot on the red one, the other verdict, no further
        // mistake.
        type(yBox, QString::number(target.y()));
        click(rectOf(u"accept"));
        QVERIFY(await(u"right"_s, [&](const QImage &s) {
            return count(s, verdict) && s.copy(verdict) != wrongVerdict &&
                   s.copy(mistakes) == oneMistake && dot(s, answerPlane, Qt::blue) == target &&
                   dot(s, taskPlane, Qt::red) == target;
        }));

        click(rectOf(u"exit"));
        if (browser_.isEmpty()) {
            QVERIFY2(x11_.program.waitForFinished(toolTimeout) &&
                         x11_.program.exitStatus() == QProcess::NormalExit &&
                         x11_.program.exitCode() == 0,
                     "the program did not end well on Exit");
            return;
        }
        // The page says that the program has ended, in its title too.
        QVERIFY(run(x11_, xdotool_, {u"search"_s, u"--sync"_s, u"--name"_s, u"завершена"_s}));
        // With the server stopped, the page starts again from what the browser kept, by Enter
        // on its button.
        ::kill(x11_.program.processId(), SIGUSR1);
        QTRY_VERIFY(QFile::exists(shots_.filePath(u"server-stopped"_s)));
        xdotool(u"key Return"_s);
        QVERIFY2(awaitUnstarted(u"offline"_s), "the page did not open again without its server");
        QFile elsewhere(shots_.filePath(u"elsewhere.log"_s));
        const QByteArray asked = elsewhere.open(QIODevice::ReadOnly) ? elsewhere.readAll() : "";
        QVERIFY2(asked.isEmpty(), asked.constData());
    }

    // Nothing outlives the test.
    void cleanupTestCase()
    {
        for (QProcess *process : {&x11_.program, &wayland_.program}) {
            process->terminate();
            if (!process->waitForFinished(toolTimeout)) process->kill();
            process->waitForFinished(toolTimeout);
        }
    }
};

QTEST_GUILESS_MAIN(SmokeTest)
#include "tst_smoke.moc"
