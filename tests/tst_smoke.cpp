// The real program on its own X server, driven only through the screen, mouse and keyboard, as a
// learner would: start, answer the point, take another, be asked to accept a typed answer, exit.
// And the same program on a Wayland compositor of its own, against what it shows on X.
// TAVRILO_SMOKE_PROGRAM names another command to drive on X, such as "wine /path/tavrilo.exe";
// TAVRILO_SMOKE_WM a window manager to run there first, such as "openbox".
#include "window.h"

#include <QImage>
#include <QPainter>
#include <QtTest>
#include <csignal>
#include <functional>
#include <sys/prctl.h>

using namespace Qt::StringLiterals;
using namespace std::string_view_literals;
using namespace tavrilo::testing;

namespace {

constexpr QSize clientSize(706, 487);
// Inside their frames: the planes' drawing areas, the answer boxes' fields, the mistake count.
const QRect taskPlane = rectOf("p1") - QMargins(2, 2, 2, 2);
const QRect answerPlane = rectOf("p2") - QMargins(2, 2, 2, 2);
const QRect xBox = rectOf("t1") - QMargins(3, 3, 3, 3), yBox = rectOf("t2") - QMargins(3, 3, 3, 3);
const QRect verdict = rectOf("Label8"), mistakes = rectOf("Label5") - QMargins(2, 2, 2, 2);

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

// Kills a child if this test dies, so that no X server or program outlives a crashed run.
const auto dieWithParent = [] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); };
constexpr int toolTimeout = 30000; // ms; only a broken tool or program takes that long

} // namespace

class SmokeTest : public QObject {
    Q_OBJECT

    // A display server with the program on it, and on X a window manager if asked for.
    struct Desktop {
        QProcessEnvironment environment;
        QProcess server, windowManager, program;
    };
    Desktop x11_, wayland_;
    QString xdotool_, xwininfo_, import_;
    QTemporaryDir shots_{QDir::tempPath() + u"/tavrilo-smoke-XXXXXX"_s};
    QPoint origin_;    // the client area's corner on the X screen
    QImage screen_;    // the client area in the screenshot of the state last awaited
    QImage unstarted_; // the client area before Start

    // Runs a tool on a display, in the folder if one is given; true if it ran and succeeded.
    static bool run(const Desktop &desktop, const QString &tool, const QStringList &arguments,
                    QByteArray *output = nullptr, const QString &folder = {})
    {
        QProcess process;
        process.setProcessEnvironment(desktop.environment);
        process.setWorkingDirectory(folder);
        process.setStandardErrorFile(QProcess::nullDevice());
        process.start(tool, arguments);
        if (!process.waitForFinished(toolTimeout)) process.kill();
        if (output) *output = process.readAllStandardOutput();
        return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
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
    // Tries until done, up to 100 times a tenth of a second apart while the program runs.
    static bool poll(const Desktop &desktop, const std::function<bool()> &done)
    {
        for (int i = 0; i < 100 && desktop.program.state() == QProcess::Running; ++i) {
            if (done()) return true;
            QThread::msleep(100);
        }
        return false;
    }
    // Looks at the X client area until it shows what it should; keeps the last look in screen_.
    bool await(const QString &step, const std::function<bool(const QImage &)> &shows)
    {
        const QString shot = shots_.filePath(step + u".png"_s);
        if (poll(x11_, [&] {
                return run(x11_, import_, {u"-window"_s, u"root"_s, shot}) &&
                       shows(screen_ = QImage(shot)
                                           .convertToFormat(QImage::Format_RGB32)
                                           .copy(QRect(origin_, clientSize)));
            }))
            return true;
        qWarning("%s: not as it should be, see %s", qPrintable(step), qPrintable(shot));
        shots_.setAutoRemove(false);
        return false;
    }
    // Where the windows titled "Tavrilo" show on the X screen, inside their frames (as xwininfo
    // says: xdotool counts a window manager's frame twice).
    QList<QRect> windows()
    {
        QByteArray ids, info; // a search that finds none fails
        run(x11_, xdotool_, u"search --all --onlyvisible --name ^Tavrilo$"_s.split(u' '), &ids);
        QList<QRect> found;
        for (const QString &id : QString(ids).split(u'\n', Qt::SkipEmptyParts)) {
            QHash<QString, int> value;
            run(x11_, xwininfo_, {u"-id"_s, id}, &info);
            for (const QString &line : QString(info).split(u'\n'))
                value[line.section(u':', 0, 0).trimmed()] = line.section(u':', 1).toInt();
            found += QRect(value["Absolute upper-left X"], value["Absolute upper-left Y"],
                           value["Width"], value["Height"]);
        }
        return found;
    }
    bool awaitWindows(int n)
    {
        return poll(x11_, [&] { return windows().size() == n; });
    }
    static bool startProgram(Desktop &desktop)
    {
        desktop.program.setProcessEnvironment(desktop.environment);
        desktop.program.setProcessChannelMode(QProcess::ForwardedChannels);
        desktop.program.setChildProcessModifier(dieWithParent);
        QStringList command = QProcess::splitCommand(qEnvironmentVariable("TAVRILO_SMOKE_PROGRAM"));
        if (command.isEmpty()) command = {QStringLiteral(TAVRILO_BINARY)};
        desktop.program.start(command.takeFirst(), command);
        return desktop.program.waitForStarted(toolTimeout);
    }

private slots:
    // The program on a private X server: its one window titled "Tavrilo", 706 x 487 inside, shows
    // the drill not yet started.
    void initTestCase()
    {
        const QString xvfb = QStandardPaths::findExecutable(u"Xvfb"_s);
        xdotool_ = QStandardPaths::findExecutable(u"xdotool"_s);
        xwininfo_ = QStandardPaths::findExecutable(u"xwininfo"_s);
        // ImageMagick's own copy, not any other "import" on the path.
        import_ = QStandardPaths::findExecutable(u"import"_s, {u"/usr/bin"_s});
        QVERIFY2(!xvfb.isEmpty() && !xdotool_.isEmpty() && !xwininfo_.isEmpty() &&
                     !import_.isEmpty(),
                 "Xvfb, xdotool, xwininfo or import not found: install xvfb, xdotool, x11-utils "
                 "and imagemagick");

        // The server picks a free display itself and writes its number to our end of the pipe.
        x11_.server.setChildProcessModifier(dieWithParent);
        x11_.server.setStandardErrorFile(QProcess::nullDevice());
        x11_.server.start(
            xvfb, u"-displayfd 1 -screen 0 1024x768x24 -nolisten tcp -noreset"_s.split(u' '));
        QByteArray reply;
        while (!reply.contains('\n') && x11_.server.waitForReadyRead(toolTimeout))
            reply += x11_.server.readAllStandardOutput();
        const QString display = QString(reply).trimmed();
        QVERIFY2(!display.isEmpty(),
                 qPrintable("Xvfb gave no display: "_L1 + x11_.server.errorString()));
        x11_.environment = QProcessEnvironment::systemEnvironment();
        x11_.environment.insert(u"DISPLAY"_s, u':' + display);
        x11_.environment.insert(u"QT_QPA_PLATFORM"_s, u"xcb"_s);
        x11_.environment.remove(u"XAUTHORITY"_s);
        // A window manager sets the desktops' count once it manages the screen.
        if (const QString wm = qEnvironmentVariable("TAVRILO_SMOKE_WM"); !wm.isEmpty()) {
            x11_.windowManager.setProcessEnvironment(x11_.environment);
            x11_.windowManager.setChildProcessModifier(dieWithParent);
            x11_.windowManager.start(wm, {});
            QVERIFY2(QTest::qWaitFor([&] { return run(x11_, xdotool_, {u"get_num_desktops"_s}); },
                                     toolTimeout),
                     "the window manager did not start");
        }
        QVERIFY2(startProgram(x11_), qPrintable(x11_.program.errorString()));

        QVERIFY2(QTest::qWaitFor([&] { return windows().size() == 1; }, toolTimeout),
                 "not one window titled \"Tavrilo\" appeared");
        QCOMPARE(windows()[0].size(), clientSize);
        origin_ = windows()[0].topLeft();
        // Before Start: painted (the bare root is black), and no dot, verdict or mistake count.
        QVERIFY(await(u"window"_s, [](const QImage &s) {
            return count(s, taskPlane) < 285 * 285 / 4 && dot(s, taskPlane, Qt::red) == noDot &&
                   dot(s, answerPlane, Qt::blue) == noDot && !count(s, mistakes) &&
                   !count(s, verdict);
        }));
        unstarted_ = screen_;
    }

    // The program on Wayland, under a headless Weston that draws with pixman and so has pixels to
    // give: Qt draws the title bar there, and the client area is the one on X, pixel for pixel.
    void waylandLooksLikeX11()
    {
        const QString weston = QStandardPaths::findExecutable(u"weston"_s);
        const QString shooter = QStandardPaths::findExecutable(u"weston-screenshooter"_s);
        if (weston.isEmpty() || shooter.isEmpty())
            QSKIP("weston not found: install the package weston");
        if (!QFileInfo::exists(QLibraryInfo::path(QLibraryInfo::PluginsPath) +
                               u"/platforms/libqwayland-generic.so"_s))
            QSKIP("Qt's Wayland platform plugin not found: install the package qt6-wayland");

        // The compositor's socket goes into our private folder; the screenshooter names its
        // picture by the time, in an empty folder of its own.
        const QString runtime = shots_.path(), taken = shots_.filePath(u"taken"_s);
        wayland_.environment = QProcessEnvironment::systemEnvironment();
        wayland_.environment.remove(u"DISPLAY"_s);
        wayland_.environment.insert(u"XDG_RUNTIME_DIR"_s, runtime);
        wayland_.environment.insert(u"WAYLAND_DISPLAY"_s, u"tavrilo"_s);
        wayland_.environment.insert(u"QT_QPA_PLATFORM"_s, u"wayland"_s);
        wayland_.server.setProcessEnvironment(wayland_.environment);
        wayland_.server.setChildProcessModifier(dieWithParent);
        // --debug lets the screenshooter in.
        wayland_.server.start(weston, {u"--backend=headless-backend.so"_s, u"--use-pixman"_s,
                                       u"--width=1024"_s, u"--height=768"_s, u"--socket=tavrilo"_s,
                                       u"--no-config"_s, u"--idle-time=0"_s, u"--debug"_s,
                                       u"--log="_s + shots_.filePath(u"weston.log"_s)});
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(runtime + u"/tavrilo"_s) ||
                                     wayland_.server.state() == QProcess::NotRunning,
                                 toolTimeout);
        QVERIFY2(wayland_.server.state() == QProcess::Running, "weston ended: see weston.log");
        QVERIFY2(startProgram(wayland_), qPrintable(wayland_.program.errorString()));

        // Where X's top row shows: X's client area, pixel for pixel, in a frame of one colour,
        // Qt's own, so that nothing of the window goes on past its 706 x 487.
        const auto *top = reinterpret_cast<const QRgb *>(unstarted_.constScanLine(0));
        const auto shown = [&] {
            QDir(taken).removeRecursively();
            QDir().mkpath(taken);
            if (!run(wayland_, shooter, {}, nullptr, taken)) return false;
            const QImage shot(taken + u'/' + QDir(taken).entryList(QDir::Files).value(0));
            for (int y = 1; y + clientSize.height() < shot.height(); ++y) {
                const auto *line = reinterpret_cast<const QRgb *>(shot.constScanLine(y));
                for (int x = 1; x + clientSize.width() < shot.width(); ++x) {
                    if (!std::equal(top, top + clientSize.width(), line + x)) continue;
                    QImage framed(clientSize + QSize(2, 2), QImage::Format_RGB32);
                    framed.fill(shot.pixel(x - 1, y - 1));
                    QPainter(&framed).drawImage(1, 1, unstarted_);
                    return shot.copy(QRect(QPoint(x - 1, y - 1), framed.size())) == framed;
                }
            }
            return false;
        };
        shots_.setAutoRemove(false);
        QVERIFY2(poll(wayland_, shown), qPrintable(u"X's client area is not on Wayland's screen in "
                                                   "a plain frame: see "_s +
                                                   taken));
        shots_.setAutoRemove(true);
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
        click(rectOf("Command2"));
        QVERIFY(await(u"start"_s, newPoint));

        // A wrong point typed ("--": a minus is no option) and accepted: its blue dot where it
        // says, a verdict, a mistake counted.
        const QPoint wrong = target + QPoint(target.x() < 7 ? 1 : -1, 0);
        const auto type = [&](QRect box, int value) {
            click(box);
            xdotool(u"type -- %1"_s.arg(value));
        };
        type(xBox, wrong.x());
        type(yBox, wrong.y());
        click(rectOf("Command3"));
        QVERIFY(await(u"wrong"_s, [&](const QImage &s) {
            return count(s, verdict) && count(s, mistakes) &&
                   dot(s, answerPlane, Qt::blue) == wrong;
        }));
        const QImage wrongVerdict = screen_.copy(verdict), oneMistake = screen_.copy(mistakes);

        // Another point: the answer, its dot and its verdict cleared, a new red dot.
        click(rectOf("Command5"));
        QVERIFY(await(u"another"_s, newPoint));

        // An answer begun but not accepted: Another point asks for it in a box of its own, which
        // a click on its button closes, and so does Enter; the answer and the point stay. (In this
        // order the pointer always moves: xdotool's --sync waits long for a move that is none.)
        type(xBox, target.x());
        for (const char *closer : {"its button", "Enter"}) {
            click(rectOf("Command5"));
            QVERIFY2(awaitWindows(2), "no message box");
            // The box's one button, centred at its foot.
            const QRect box = windows().value(windows().value(0).topLeft() == origin_);
            xdotool(closer == "Enter"sv ? u"key Return"_s
                                        : u"mousemove --sync %1 %2 click 1"_s.arg(box.center().x())
                                              .arg(box.bottom() - 24));
            QVERIFY2(awaitWindows(1), qPrintable(closer + " did not close the message box"_L1));
        }

        // The answer finished and accepted: its dot on the red one, the other verdict, no further
        // mistake.
        type(yBox, target.y());
        click(rectOf("Command3"));
        QVERIFY(await(u"right"_s, [&](const QImage &s) {
            return count(s, verdict) && s.copy(verdict) != wrongVerdict &&
                   s.copy(mistakes) == oneMistake && dot(s, answerPlane, Qt::blue) == target &&
                   dot(s, taskPlane, Qt::red) == target;
        }));

        click(rectOf("Command7"));
        QVERIFY2(x11_.program.waitForFinished(toolTimeout), "the program still runs after Exit");
        QVERIFY(x11_.program.exitStatus() == QProcess::NormalExit && x11_.program.exitCode() == 0);
    }

    // Nothing outlives the test.
    void cleanupTestCase()
    {
        for (QProcess *process : {&x11_.program, &wayland_.program, &wayland_.server,
                                  &x11_.windowManager, &x11_.server}) {
            process->terminate(); // Xvfb removes its lock and socket on the way out
            if (!process->waitForFinished(toolTimeout)) process->kill();
            process->waitForFinished(toolTimeout);
        }
    }
};

QTEST_GUILESS_MAIN(SmokeTest)
#include "tst_smoke.moc"
