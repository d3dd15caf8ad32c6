// The real program on its own X server, driven only through the screen, mouse and keyboard, as a
// learner would: start, read the dot, answer right, take another point, answer wrong, be asked to
// accept a typed answer, exit. And the same program on a Wayland compositor of its own, against
// what it shows on X. TAVRILO_SMOKE_PROGRAM names another command to drive on X instead, such as
// "wine /path/to/tavrilo.exe".
#include <QImage>
#include <QPainter>
#include <QtTest>
#include <algorithm>
#include <csignal>
#include <functional>
#include <optional>
#include <sys/prctl.h>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

// Where the controls are, in the window's client area.
namespace ui {
constexpr QSize clientSize(706, 487);
constexpr QRect startButton(64, 16, 113, 25), acceptButton(376, 384, 121, 25);
constexpr QRect anotherButton(384, 416, 105, 25), exitButton(528, 416, 89, 25);
constexpr QRect taskPlane(66, 50, 285, 285), answerPlane(386, 50, 285, 285); // inside the frames
constexpr QRect xBox(379, 355, 27, 22), yBox(483, 355, 27, 22);              // inside the frames
constexpr QRect verdict(520, 352, 89, 25);                                   // Label8
constexpr QRect mistakes(650, 26, 37, 21), questions(650, 2, 37, 21); // Label5, Label7 in frames
} // namespace ui

// The plane shows x and y from -8 to 8 across 285 pixels, its grid lines at the whole numbers.
constexpr double unit = 285.0 / 16;

// The colours the program draws with. Grid lines are teal and black, backgrounds light, so none
// of them passes for the dots' red and blue; the labels' red and navy text both lack green.
using Match = bool (*)(QRgb);
const Match isRed = [](QRgb p) { return qRed(p) >= 200 && qGreen(p) <= 80 && qBlue(p) <= 80; };
const Match isBlue = [](QRgb p) { return qBlue(p) >= 200 && qRed(p) <= 80 && qGreen(p) <= 80; };
const Match isDark = [](QRgb p) { return qGray(p) < 100; };
const Match isInk = [](QRgb p) { return qGreen(p) < 128; };

// Which pixels of the area match, row by row: the shape of a label's text. Red and navy text on
// the labels' ground give the same shape, so one text has one shape in any of the counters.
std::vector<bool> shape(const QImage &image, QRect area, Match match)
{
    std::vector<bool> bits;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            bits.push_back(match(image.pixel(x, y)));
    return bits;
}
int count(const QImage &image, QRect area, Match match)
{
    return int(std::ranges::count(shape(image, area, match), true));
}
// Reads the one dot of that colour in the plane as the point a learner sees, which must lie on a
// grid crossing of -7 ... 7. Returns what is wrong, or "".
QString readDot(const QImage &image, QRect plane, Match match, QPoint *point)
{
    QPointF sum;
    QRect bounds;
    for (int y = plane.top(); y <= plane.bottom(); ++y)
        for (int x = plane.left(); x <= plane.right(); ++x)
            if (match(image.pixel(x, y))) {
                sum += QPointF(x + 0.5, y + 0.5) - plane.topLeft();
                bounds |= QRect(x, y, 1, 1);
            }
    const int n = count(image, plane, match);
    if (n < 12 || bounds.width() > 14 || bounds.height() > 14)
        return QString::asprintf("not one dot but %d pixels over %dx%d", n, bounds.width(),
                                 bounds.height());
    const QPointF centre = sum / n;
    *point = QPoint(qRound(centre.x() / unit - 8), qRound(8 - centre.y() / unit));
    const QPointF off = centre - QPointF(point->x() + 8, 8 - point->y()) * unit;
    if (qAbs(point->x()) > 7 || qAbs(point->y()) > 7 || qAbs(off.x()) > 1.5 || qAbs(off.y()) > 1.5)
        return QString::asprintf("a dot at (%.1f, %.1f), on no grid crossing", centre.x(),
                                 centre.y());
    return {};
}

// Before Start: painted (the bare root is black), no dot, verdict or mistake count.
bool blank(const QImage &s, QRect r)
{
    return count(s, r, isInk) == 0;
}
bool noDot(const QImage &s, QRect plane)
{
    return count(s, plane, isRed) + count(s, plane, isBlue) == 0;
}
QString unstarted(const QImage &s)
{
    return count(s, ui::taskPlane, isDark) < 285 * 285 / 4 && noDot(s, ui::taskPlane) &&
                   noDot(s, ui::answerPlane) && blank(s, ui::mistakes) && blank(s, ui::verdict)
               ? QString()
               : u"unpainted, or a dot, verdict or mistake count before Start"_s;
}

// Where the picture's top row lies on the screen, if anywhere. Both are Format_RGB32.
std::optional<QPoint> findTopRow(const QImage &screen, const QImage &picture)
{
    const auto *row = reinterpret_cast<const QRgb *>(picture.constScanLine(0));
    for (int y = 0; y + picture.height() <= screen.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(screen.constScanLine(y));
        for (int x = 0; x + picture.width() <= screen.width(); ++x)
            if (std::equal(row, row + picture.width(), line + x)) return QPoint(x, y);
    }
    return std::nullopt;
}
// How two pictures of one size differ: how many pixels, and where.
QString difference(const QImage &a, const QImage &b)
{
    int n = 0;
    QRect where;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y)) {
                ++n;
                where |= QRect(x, y, 1, 1);
            }
    const QPoint last = where.bottomRight();
    return n ? QString::asprintf("%d pixels differ, within (%d, %d)-(%d, %d)", n, where.x(),
                                 where.y(), last.x(), last.y())
             : QString();
}

// Kills a child if this test dies, so that no X server or program outlives a crashed run.
const auto dieWithParent = [] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); };

constexpr int looks = 100;         // screenshots before a state counts as never reached
constexpr int toolTimeout = 30000; // ms; only a broken tool or program takes that long

} // namespace

class SmokeTest : public QObject {
    Q_OBJECT

    // A display server with the program on it, and how to look at its whole screen.
    struct Desktop {
        QProcessEnvironment environment;
        std::function<bool(const QString &file)> screenshot;
        QProcess server, program;
    };

    QString xdotool_;
    Desktop x11_, wayland_;
    QTemporaryDir shots_{QDir::tempPath() + u"/tavrilo-smoke-XXXXXX"_s};
    QPoint origin_; // the client area's corner on the X screen
    QImage screen_; // the client area as the screenshot of the state last awaited showed it

    // Runs a tool on a display, in the folder if one is given; true if it ran and succeeded.
    static bool run(const QProcessEnvironment &environment, const QString &tool,
                    const QStringList &arguments, QByteArray *output = nullptr,
                    const QString &folder = {})
    {
        QProcess process;
        process.setProcessEnvironment(environment);
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
        if (!run(x11_.environment, xdotool_, arguments.split(u' '), output))
            qWarning("xdotool could not %s", qPrintable(arguments));
    }
    void click(QRect control)
    {
        const QPoint c = control.translated(origin_).center();
        xdotool(u"mousemove --sync %1 %2 click 1"_s.arg(c.x()).arg(c.y()));
    }
    // Types the point into the two boxes ("--": a minus is no option) and accepts it.
    void answer(QPoint point)
    {
        click(ui::xBox);
        xdotool(u"type -- %1"_s.arg(point.x()));
        click(ui::yBox);
        xdotool(u"type -- %1"_s.arg(point.y()));
        click(ui::acceptButton);
    }
    // Looks at the desktop's screen until check finds all it expects (returns ""). Returns "", or
    // what was last missing once the looks run out or the program ends.
    static QString awaitScreen(Desktop &desktop, const QString &shot,
                               const std::function<QString(const QImage &)> &check)
    {
        QString missing = u"no screenshot"_s;
        for (int i = 0; i < looks && desktop.program.state() == QProcess::Running; ++i) {
            if (i > 0) QThread::msleep(100);
            QFile::remove(shot);
            if (!desktop.screenshot(shot)) continue;
            if ((missing = check(QImage(shot).convertToFormat(QImage::Format_RGB32))).isEmpty())
                return {};
        }
        if (desktop.program.state() != QProcess::Running) missing = u"the program has ended"_s;
        return u"%1 (see %2)"_s.arg(missing, shot);
    }
    // The same for the X client area, which it keeps in screen_.
    QString await(const QString &step, const std::function<QString(const QImage &)> &check)
    {
        const QString problem =
            awaitScreen(x11_, shots_.filePath(step + u".png"_s), [&](const QImage &shot) {
                screen_ = shot.copy(QRect(origin_, ui::clientSize));
                return check(screen_);
            });
        return problem.isEmpty() ? problem : step + u": "_s + problem;
    }
    // Finds the one window titled "Tavrilo" on the X screen, and where its client area is.
    void findX11Window()
    {
        QByteArray geometry;
        xdotool(u"search --sync --onlyvisible --name ^Tavrilo$ getwindowgeometry "
                "--shell %@"_s,
                &geometry);
        QVERIFY2(geometry.count("WINDOW=") == 1, "not one window titled \"Tavrilo\" appeared");
        QMap<QByteArray, int> value;
        for (const QByteArray &line : geometry.split('\n'))
            if (const int eq = line.indexOf('='); eq > 0)
                value[line.left(eq)] = line.mid(eq + 1).toInt();
        QCOMPARE(QSize(value.value("WIDTH"), value.value("HEIGHT")), ui::clientSize);
        origin_ = QPoint(value.value("X"), value.value("Y"));
    }

    // Waits until exactly n windows titled "Tavrilo" show on the X screen.
    bool awaitWindows(int n)
    {
        for (int i = 0; i < looks && x11_.program.state() == QProcess::Running; ++i) {
            if (i > 0) QThread::msleep(100);
            QByteArray found;
            run(x11_.environment, xdotool_,
                u"search --all --onlyvisible --name ^Tavrilo$"_s.split(u' '), &found);
            if (found.count('\n') == n) return true;
        }
        return false;
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
    void initTestCase()
    {
        const QString xvfb = QStandardPaths::findExecutable(u"Xvfb"_s);
        xdotool_ = QStandardPaths::findExecutable(u"xdotool"_s);
        // ImageMagick's own copy, not any other "import" on the path.
        const QString import = QStandardPaths::findExecutable(u"import"_s, {u"/usr/bin"_s});
        QVERIFY2(!xvfb.isEmpty(), "Xvfb not found: install the package xvfb");
        QVERIFY2(!xdotool_.isEmpty(), "xdotool not found: install the package xdotool");
        QVERIFY2(!import.isEmpty(), "import not found: install the package imagemagick");

        // The server picks a free display itself and writes its number to our end of the pipe.
        QProcess &server = x11_.server;
        server.setChildProcessModifier(dieWithParent);
        server.setStandardErrorFile(QProcess::nullDevice());
        server.start(xvfb,
                     u"-displayfd 1 -screen 0 1024x768x24 -nolisten tcp -noreset"_s.split(u' '));
        QByteArray reply;
        while (!reply.contains('\n') && server.waitForReadyRead(toolTimeout))
            reply += server.readAllStandardOutput();
        bool ok = false;
        const int display = reply.trimmed().toInt(&ok);
        QVERIFY2(ok, qPrintable(u"Xvfb gave no display: "_s + server.errorString()));

        QProcessEnvironment &environment = x11_.environment;
        environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"DISPLAY"_s, u":%1"_s.arg(display));
        environment.insert(u"QT_QPA_PLATFORM"_s, u"xcb"_s);
        environment.remove(u"XAUTHORITY"_s);
        x11_.screenshot = [this, import](const QString &file) {
            return run(x11_.environment, import, {u"-window"_s, u"root"_s, file});
        };
        QVERIFY2(startProgram(x11_), qPrintable(x11_.program.errorString()));
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

        // What the program shows on X before Start.
        findX11Window();
        if (QTest::currentTestFailed()) return;
        QString problem = await(u"x11"_s, unstarted);
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
        const QImage x11 = screen_;

        // The compositor's socket goes into our private folder; the screenshooter names its
        // pictures by the time, in an empty folder of their own.
        const QString runtime = shots_.path(), taken = shots_.filePath(u"taken"_s);
        QVERIFY(QDir(runtime).mkdir(u"taken"_s));
        QProcessEnvironment &environment = wayland_.environment;
        environment = QProcessEnvironment::systemEnvironment();
        environment.remove(u"DISPLAY"_s);
        environment.insert(u"XDG_RUNTIME_DIR"_s, runtime);
        environment.insert(u"WAYLAND_DISPLAY"_s, u"tavrilo"_s);
        environment.insert(u"QT_QPA_PLATFORM"_s, u"wayland"_s);
        QProcess &server = wayland_.server;
        server.setProcessEnvironment(environment);
        server.setChildProcessModifier(dieWithParent);
        // --debug lets the screenshooter in.
        server.start(weston, {u"--backend=headless-backend.so"_s, u"--use-pixman"_s,
                              u"--width=1024"_s, u"--height=768"_s, u"--socket=tavrilo"_s,
                              u"--no-config"_s, u"--idle-time=0"_s, u"--debug"_s,
                              u"--log="_s + shots_.filePath(u"weston.log"_s)});
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(runtime + u"/tavrilo"_s) ||
                                     server.state() == QProcess::NotRunning,
                                 toolTimeout);
        QVERIFY2(server.state() == QProcess::Running, "weston ended: see weston.log");
        wayland_.screenshot = [this, shooter, taken](const QString &file) {
            if (!run(wayland_.environment, shooter, {}, nullptr, taken)) return false;
            const QStringList pictures = QDir(taken).entryList(QDir::Files);
            return pictures.size() == 1 && QFile::rename(taken + u'/' + pictures.first(), file);
        };
        QVERIFY2(startProgram(wayland_), qPrintable(wayland_.program.errorString()));

        // Found where X's top row shows: X's client area there, pixel for pixel, in a frame of
        // one colour, Qt's own, so that nothing of the window goes on past its 706 x 487.
        problem = awaitScreen(wayland_, shots_.filePath(u"wayland.png"_s), [&](const QImage &shot) {
            const auto at = findTopRow(shot, x11);
            if (!at) return u"the client area's top row from X is nowhere on the screen"_s;
            QImage framed(ui::clientSize + QSize(2, 2), QImage::Format_RGB32);
            framed.fill(shot.pixel(*at - QPoint(1, 1)));
            QPainter(&framed).drawImage(1, 1, x11);
            const QString differ =
                difference(shot.copy(QRect(*at - QPoint(1, 1), framed.size())), framed);
            return differ.isEmpty() ? differ : differ + u" from X's client area in a plain frame"_s;
        });
        QVERIFY2(problem.isEmpty(), qPrintable(u"wayland: "_s + problem));
    }

    void learnerSession()
    {
        findX11Window();
        if (QTest::currentTestFailed()) return;
        QString problem = await(u"window"_s, unstarted);
        QVERIFY2(problem.isEmpty(), qPrintable(problem));

        // Start: one red dot on the task plane, nothing on the answer plane, the question count 1.
        QPoint target;
        click(ui::startButton);
        problem = await(u"start"_s,
                        [&](const QImage &s) { return readDot(s, ui::taskPlane, isRed, &target); });
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
        QVERIFY2(noDot(screen_, ui::answerPlane), "a blue dot after Start");
        QVERIFY2(blank(screen_, ui::mistakes), "a mistake count after Start");
        QVERIFY2(!blank(screen_, ui::questions), "no question count after Start");
        const std::vector<bool> one = shape(screen_, ui::questions, isInk);

        // The right answer: a blue dot at it, a verdict, no mistake counted, the red dot kept.
        answer(target);
        QPoint answered, task;
        problem = await(u"right"_s, [&](const QImage &s) {
            return blank(s, ui::verdict) ? u"no verdict"_s
                                         : readDot(s, ui::answerPlane, isBlue, &answered);
        });
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
        QCOMPARE(answered, target);
        QVERIFY2(blank(screen_, ui::mistakes), "a right answer counted as a mistake");
        QVERIFY2(readDot(screen_, ui::taskPlane, isRed, &task).isEmpty() && task == target,
                 "the red dot moved on Accept");
        const std::vector<bool> right = shape(screen_, ui::verdict, isInk);

        // Another point: answer, its dot and verdict cleared, a new red dot, the counts 2 and 0.
        click(ui::anotherButton);
        problem = await(u"another"_s, [&](const QImage &s) -> QString {
            if (!noDot(s, ui::answerPlane) || !blank(s, ui::verdict) ||
                count(s, ui::xBox, isDark) + count(s, ui::yBox, isDark) > 0)
                return u"the answer, its dot or its verdict is not cleared"_s;
            if (count(s, ui::mistakes, isRed) == 0) return u"no mistake count"_s;
            return readDot(s, ui::taskPlane, isRed, &target);
        });
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
        QVERIFY2(shape(screen_, ui::questions, isInk) != one, "the question count did not change");
        const std::vector<bool> zero = shape(screen_, ui::mistakes, isInk);

        // A wrong answer, its x and y unlike each other and the target's: its blue dot, another
        // verdict, and the mistake count 1 in red digits shaped like the question count's 1.
        const QPoint wrong(target.x() == 3 ? -2 : 3, target.y() == -5 ? 4 : -5);
        answer(wrong);
        problem = await(u"wrong"_s, [&](const QImage &s) {
            return shape(s, ui::mistakes, isInk) == zero
                       ? u"the mistake count did not change"_s
                       : readDot(s, ui::answerPlane, isBlue, &answered);
        });
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
        QCOMPARE(answered, wrong);
        QVERIFY2(shape(screen_, ui::verdict, isInk) != right,
                 "a wrong answer got the verdict of a right one");
        QVERIFY2(count(screen_, ui::mistakes, isRed) > 0 &&
                     shape(screen_, ui::mistakes, isInk) == one,
                 "the mistake count does not read 1 in red");

        // On the next point, an answer typed but not accepted: Another point asks for it in a
        // box of its own, which Enter closes, leaving the point as it was.
        click(ui::anotherButton);
        problem = await(u"next"_s, [&](const QImage &s) {
            return !blank(s, ui::verdict) ? u"the verdict is not cleared"_s
                                          : readDot(s, ui::taskPlane, isRed, &target);
        });
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
        click(ui::xBox);
        xdotool(u"type 5"_s);
        click(ui::anotherButton);
        QVERIFY2(awaitWindows(2), "no message box");
        xdotool(u"key Return"_s);
        QVERIFY2(awaitWindows(1), "Enter did not close the message box");
        problem = await(u"asked"_s, [&](const QImage &s) {
            QPoint still;
            return count(s, ui::xBox, isDark) == 0 ? u"the typed answer is gone"_s
                   : readDot(s, ui::taskPlane, isRed, &still).isEmpty() && still == target
                       ? QString()
                       : u"the point changed"_s;
        });
        QVERIFY2(problem.isEmpty(), qPrintable(problem));

        click(ui::exitButton);
        QVERIFY2(x11_.program.waitForFinished(toolTimeout),
                 "the program is still running after Exit");
        QCOMPARE(x11_.program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(x11_.program.exitCode(), 0);
    }

    // Screenshots are kept when something failed.
    void cleanup()
    {
        if (QTest::currentTestFailed())
            qWarning("screenshots kept in %s", qPrintable(shots_.path()));
        shots_.setAutoRemove(!QTest::currentTestFailed());
    }

    // Nothing outlives the test.
    void cleanupTestCase()
    {
        for (QProcess *process :
             {&x11_.program, &wayland_.program, &wayland_.server, &x11_.server}) {
            process->terminate(); // Xvfb removes its lock and socket on the way out
            if (!process->waitForFinished(toolTimeout)) process->kill();
            process->waitForFinished(toolTimeout);
        }
    }
};

QTEST_GUILESS_MAIN(SmokeTest)
#include "tst_smoke.moc"
