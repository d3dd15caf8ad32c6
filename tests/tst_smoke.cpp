// The real program on its own X server, driven only through the screen, mouse and keyboard, as a
// learner would: start, answer the point, take another, be asked to accept a typed answer, exit.
// And the same program on a Wayland compositor of its own, against what it shows on X.
// TAVRILO_SMOKE_PROGRAM names another command to drive on X, such as "wine /path/tavrilo.exe";
// TAVRILO_SMOKE_WM a window manager to run there first, such as "openbox".
// TAVRILO_SMOKE_BROWSER ("chromium" or "firefox") drives the web page in TAVRILO_SMOKE_PAGE (the
// page's folder) instead, served on 127.0.0.1, after the desktop program has shown what the
// window must look like: the same session, then the page's word on Exit, the page again with the
// server stopped, and no request to any other host.
#include "window.h"

#include <QImage>
#include <QPainter>
#include <QtTest>
#include <csignal>
#include <functional>
#include <optional>
#include <sys/prctl.h>
#include <unistd.h>

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

// Where the image shows in the screenshot, pixel for pixel: found by its top row, then whole. (Both
// 32-bit; pixels alone count, not the colour spaces that the tools that took them say.)
std::optional<QPoint> locate(const QImage &shot, const QImage &image)
{
    const auto row = [](const QImage &i, int y) {
        return reinterpret_cast<const QRgb *>(i.constScanLine(y));
    };
    for (int y = 0; y + image.height() <= shot.height(); ++y)
        for (int x = 0; x + image.width() <= shot.width(); ++x) {
            int same = 0;
            while (same < image.height() &&
                   std::equal(row(image, same), row(image, same) + image.width(),
                              row(shot, y + same) + x))
                ++same;
            if (same == image.height()) return QPoint(x, y);
        }
    return std::nullopt;
}

// The smallest rectangle around all that differs between the two looks of the client area, but for
// the controls that change of themselves: the answer boxes' blinking cursor, the focus moving to
// a button clicked.
QRect changed(const QImage &before, const QImage &after)
{
    const QRect lively[] = {rectOf("t1"), rectOf("t2"), rectOf("Command5")};
    QRect all;
    for (int y = 0; y < before.height(); ++y)
        for (int x = 0; x < before.width(); ++x)
            if (before.pixel(x, y) != after.pixel(x, y) &&
                std::none_of(std::begin(lively), std::end(lively),
                             [&](QRect r) { return r.contains(x, y); }))
                all |= QRect(x, y, 1, 1);
    return all;
}

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
    // The web page instead of the program, where asked for: the browser, and the page's server.
    const QString browser_ = qEnvironmentVariable("TAVRILO_SMOKE_BROWSER");
    QProcess pageServer_;
    QString elsewhere_; // what was asked of any host but the page's
    QPoint origin_;     // the client area's corner on the X screen
    QImage screen_;     // the client area in the screenshot of the state last awaited
    QImage unstarted_;  // the client area before Start

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
    // Looks at the X screen until it shows what it should, kept as the step's picture.
    bool awaitScreen(const QString &step, const std::function<bool(const QImage &)> &shows)
    {
        const QString shot = shots_.filePath(step + u".png"_s);
        if (poll(x11_, [&] {
                return run(x11_, import_, {u"-window"_s, u"root"_s, shot}) &&
                       shows(QImage(shot).convertToFormat(QImage::Format_RGB32));
            }))
            return true;
        qWarning("%s: not as it should be, see %s", qPrintable(step), qPrintable(shot));
        shots_.setAutoRemove(false);
        return false;
    }
    // The same for the client area; keeps the last look in screen_.
    bool await(const QString &step, const std::function<bool(const QImage &)> &shows)
    {
        return awaitScreen(step, [&](const QImage &shot) {
            return shows(screen_ = shot.copy(QRect(origin_, clientSize)));
        });
    }
    // The window as it was before Start, pixel for pixel, somewhere on the screen: there origin_.
    bool awaitUnstarted(const QString &step)
    {
        return awaitScreen(step, [&](const QImage &shot) {
            const auto at = locate(shot, unstarted_);
            return at && (origin_ = *at, true);
        });
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
    // The program, or the command given; what it prints goes to the log if one is named.
    static bool startProgram(Desktop &desktop, QStringList command = {}, const QString &log = {})
    {
        desktop.program.setProcessEnvironment(desktop.environment);
        if (log.isEmpty()) {
            desktop.program.setProcessChannelMode(QProcess::ForwardedChannels);
        } else {
            desktop.program.setProcessChannelMode(QProcess::MergedChannels);
            desktop.program.setStandardOutputFile(log);
        }
        desktop.program.setChildProcessModifier(dieWithParent);
        if (command.isEmpty())
            command = QProcess::splitCommand(qEnvironmentVariable("TAVRILO_SMOKE_PROGRAM"));
        if (command.isEmpty()) command = {QStringLiteral(TAVRILO_BINARY)};
        desktop.program.start(command.takeFirst(), command);
        return desktop.program.waitForStarted(toolTimeout);
    }

    // The browser, in a profile of its own that asks through the trap for anything not on
    // 127.0.0.1, and that keeps to itself: no first-run pages, updates or reports. Chromium in a
    // Russian page of its own, Firefox in English and full screen; both at a device pixel ratio of
    // 1, WebGL drawn in software.
    QStringList browserCommand(const QString &page, const QString &trap)
    {
        const QString profile = shots_.filePath(u"profile"_s);
        QDir().mkpath(profile);
        if (browser_ == u"firefox") {
            QFile prefs(profile + u"/user.js"_s);
            if (!prefs.open(QIODevice::WriteOnly)) return {};
            const QString host = trap.section(u':', 0, 0), port = trap.section(u':', 1);
            const std::pair<const char *, QString> settings[] = {
                {"network.proxy.type", u"1"_s},
                {"network.proxy.http", u'"' + host + u'"'},
                {"network.proxy.http_port", port},
                {"network.proxy.ssl", u'"' + host + u'"'},
                {"network.proxy.ssl_port", port},
                {"network.proxy.allow_hijacking_localhost", u"false"_s},
                {"intl.accept_languages", u"\"en-US\""_s},
                {"layout.css.devPixelsPerPx", u"\"1.0\""_s},
                {"webgl.force-enabled", u"true"_s},
                {"browser.shell.checkDefaultBrowser", u"false"_s},
                {"browser.startup.homepage_override.mstone", u"\"ignore\""_s},
                {"browser.aboutwelcome.enabled", u"false"_s},
                {"datareporting.policy.dataSubmissionEnabled", u"false"_s},
                {"datareporting.healthreport.uploadEnabled", u"false"_s},
                {"toolkit.telemetry.reportingpolicy.firstRun", u"false"_s},
                {"app.update.disabledForTesting", u"true"_s},
                {"app.normandy.enabled", u"false"_s},
                {"browser.safebrowsing.malware.enabled", u"false"_s},
                {"browser.safebrowsing.phishing.enabled", u"false"_s},
                {"browser.safebrowsing.downloads.enabled", u"false"_s},
                {"browser.safebrowsing.update.enabled", u"false"_s},
                {"network.captive-portal-service.enabled", u"false"_s},
                {"network.connectivity-service.enabled", u"false"_s},
                {"extensions.update.enabled", u"false"_s},
                {"extensions.getAddons.cache.enabled", u"false"_s},
                {"extensions.blocklist.enabled", u"false"_s},
                {"services.settings.server", u"\"data:,#remote-settings-dummy/v1\""_s},
                {"browser.region.network.url", u"\"\""_s},
                {"browser.search.update", u"false"_s},
                {"media.gmp-manager.url", u"\"data:,\""_s},
                {"dom.push.connection.enabled", u"false"_s},
                {"network.dns.disablePrefetch", u"true"_s},
                {"network.prefetch-next", u"false"_s},
                {"security.OCSP.enabled", u"0"_s},
                {"browser.newtabpage.enabled", u"false"_s},
                {"browser.newtabpage.activity-stream.feeds.topsites", u"false"_s},
                {"browser.newtabpage.activity-stream.showSponsored", u"false"_s},
                {"browser.newtabpage.activity-stream.showSponsoredTopSites", u"false"_s},
                {"browser.newtabpage.activity-stream.feeds.section.topstories", u"false"_s},
                {"browser.topsites.contile.enabled", u"false"_s},
                {"browser.discovery.enabled", u"false"_s},
                {"toolkit.telemetry.enabled", u"false"_s},
                {"toolkit.telemetry.unified", u"false"_s},
                {"toolkit.telemetry.archive.enabled", u"false"_s},
                {"toolkit.telemetry.server", u"\"data:,\""_s},
                {"toolkit.telemetry.newProfilePing.enabled", u"false"_s},
                {"toolkit.telemetry.shutdownPingSender.enabled", u"false"_s},
                {"toolkit.telemetry.firstShutdownPing.enabled", u"false"_s},
                {"toolkit.telemetry.updatePing.enabled", u"false"_s},
                {"toolkit.telemetry.bhrPing.enabled", u"false"_s},
                {"datareporting.usage.uploadEnabled", u"false"_s},
                {"browser.ping-centre.telemetry", u"false"_s},
                {"services.settings.poll_interval", u"99999999"_s},
                {"browser.contentblocking.database.enabled", u"false"_s},
                {"privacy.trackingprotection.enabled", u"false"_s},
                {"privacy.trackingprotection.pbmode.enabled", u"false"_s},
                {"browser.urlbar.quicksuggest.enabled", u"false"_s},
                {"messaging-system.rsexperimentloader.enabled", u"false"_s},
                {"app.shield.optoutstudies.enabled", u"false"_s},
                {"network.trr.mode", u"5"_s},
                {"browser.safebrowsing.provider.mozilla.updateURL", u"\"\""_s},
                {"security.remote_settings.crlite_filters.enabled", u"false"_s},
                {"security.remote_settings.intermediates.enabled", u"false"_s},
                {"browser.translations.enable", u"false"_s},
            };
            for (const auto &[name, value] : settings)
                prefs.write(u"user_pref(\"%1\", %2);\n"_s.arg(QLatin1String(name), value).toUtf8());
            return {u"firefox-esr"_s, u"--no-remote"_s, u"--profile"_s,
                    profile,          u"--kiosk"_s,     page};
        }
        QStringList command{u"chromium"_s,
                            u"--user-data-dir="_s + profile,
                            u"--proxy-server=http://"_s + trap,
                            u"--lang=ru"_s,
                            u"--accept-lang=ru"_s,
                            u"--force-device-scale-factor=1"_s,
                            u"--use-angle=swiftshader"_s,
                            u"--enable-unsafe-swiftshader"_s,
                            u"--test-type"_s,
                            u"--no-first-run"_s,
                            u"--no-default-browser-check"_s,
                            u"--disable-background-networking"_s,
                            u"--disable-component-update"_s,
                            u"--disable-sync"_s,
                            u"--disable-domain-reliability"_s,
                            u"--disable-client-side-phishing-detection"_s,
                            u"--disable-extensions"_s,
                            u"--disable-default-apps"_s,
                            u"--no-pings"_s,
                            u"--disable-features=Translate,OptimizationHints,MediaRouter,"
                            "NetworkTimeServiceQuerying,DialMediaRouteProvider,"
                            "AutofillServerCommunication,CertificateTransparencyComponentUpdater"_s,
                            u"--disable-field-trial-config"_s,
                            u"--component-updater=disable-pings,url-source=http://127.0.0.1:9/"_s,
                            u"--google-base-url=http://127.0.0.1:9/"_s,
                            u"--gaia-url=http://127.0.0.1:9/"_s,
                            u"--lso-url=http://127.0.0.1:9/"_s,
                            u"--window-position=0,0"_s,
                            u"--window-size=1024,768"_s};
        if (::geteuid() == 0) command << u"--no-sandbox"_s; // Chromium's sandbox refuses root
        return command << u"--app="_s + page;
    }

    // The desktop program ends, and the page takes its place: served here, shown by the browser,
    // found on the screen where it looks exactly as the desktop program's window did.
    bool openPage()
    {
        // A page gives its window the keyboard at once, as a window manager would: what it must
        // show is the desktop's window with the keyboard, its focus on "Начало".
        QByteArray id;
        run(x11_, xdotool_, u"search --onlyvisible --name ^Tavrilo$"_s.split(u' '), &id);
        xdotool(u"windowfocus --sync "_s + QString(id).trimmed());
        if (!await(u"focused"_s, [&](const QImage &s) { return s != unstarted_; })) return false;
        unstarted_ = screen_;
        click(rectOf("Command7"));
        if (!x11_.program.waitForFinished(toolTimeout)) return false;
        elsewhere_ = shots_.filePath(u"elsewhere.log"_s);
        pageServer_.setChildProcessModifier(dieWithParent);
        pageServer_.setStandardErrorFile(shots_.filePath(u"server.log"_s));
        pageServer_.start(u"python3"_s, {QStringLiteral(TAVRILO_SERVE),
                                         qEnvironmentVariable("TAVRILO_SMOKE_PAGE"), u"--port=0"_s,
                                         u"--trap-log"_s, elsewhere_});
        QByteArray reply; // the page's address, then the trap's
        while (reply.count('\n') < 2 && pageServer_.waitForReadyRead(toolTimeout))
            reply += pageServer_.readAllStandardOutput();
        const QStringList addresses = QString(reply).split(u'\n', Qt::SkipEmptyParts);
        if (addresses.size() != 2) return false;
        // Firefox heeds the settings that keep its remote settings at home only with this.
        x11_.environment.insert(u"MOZ_REMOTE_SETTINGS_DEVTOOLS"_s, u"1"_s);
        return startProgram(x11_, browserCommand(addresses[0], addresses[1]),
                            shots_.filePath(u"browser.log"_s)) &&
               awaitUnstarted(u"page"_s);
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
        if (!browser_.isEmpty()) QVERIFY2(openPage(), "the page did not show the window");
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

        // X's client area, pixel for pixel, in a frame of one colour, Qt's own, so that nothing
        // of the window goes on past its 706 x 487.
        const auto shown = [&] {
            QDir(taken).removeRecursively();
            QDir().mkpath(taken);
            if (!run(wayland_, shooter, {}, nullptr, taken)) return false;
            const QImage shot = QImage(taken + u'/' + QDir(taken).entryList(QDir::Files).value(0))
                                    .convertToFormat(QImage::Format_RGB32);
            const auto at = locate(shot, unstarted_);
            if (!at || at->x() < 1 || at->y() < 1) return false;
            QImage framed(clientSize + QSize(2, 2), QImage::Format_RGB32);
            framed.fill(shot.pixel(*at - QPoint(1, 1)));
            QPainter(&framed).drawImage(1, 1, unstarted_);
            return shot.copy(QRect(*at - QPoint(1, 1), framed.size())) == framed;
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
        click(rectOf("Command3"));
        QVERIFY(await(u"wrong"_s, [&](const QImage &s) {
            return count(s, verdict) && count(s, mistakes) &&
                   dot(s, answerPlane, Qt::blue) == wrong;
        }));
        const QImage wrongVerdict = screen_.copy(verdict), oneMistake = screen_.copy(mistakes);

        // Another point: the answer, its dot and its verdict cleared, a new red dot.
        click(rectOf("Command5"));
        QVERIFY(await(u"another"_s, newPoint));

        // An answer begun but not accepted: Another point asks for it in a box over the window,
        // which a click on its button closes, and so does Enter. The keyboard is the window's
        // again at once: Space on Another point asks anew. The answer and the point stay. (In
        // this order the pointer always moves: xdotool's --sync waits long for a move that is
        // none.)
        type(xBox, QString::number(target.x()));
        QVERIFY(await(u"typed"_s, [](const QImage &) { return true; }));
        const QImage typed = screen_;
        QRect box;
        for (const char *closer : {"its button", "Enter", "Enter"}) {
            if (closer == "its button"sv)
                click(rectOf("Command5"));
            else
                xdotool(u"key space"_s);
            QVERIFY2(await(u"asked"_s,
                           [&](const QImage &s) {
                               box = changed(typed, s);
                               return box.width() > 100 && box.height() > 60;
                           }),
                     "no message box");
            // The box's one button, centred at its foot.
            const QPoint ok = origin_ + QPoint(box.center().x(), box.bottom() - 24);
            xdotool(closer == "Enter"sv
                        ? u"key Return"_s
                        : u"mousemove --sync %1 %2 click 1"_s.arg(ok.x()).arg(ok.y()));
            QVERIFY2(
                await(u"closed"_s, [&](const QImage &s) { return changed(typed, s).isEmpty(); }),
                qPrintable(closer + " did not close the message box"_L1));
        }

        // The answer finished and accepted: its dot on the red one, the other verdict, no further
        // mistake.
        type(yBox, QString::number(target.y()));
        click(rectOf("Command3"));
        QVERIFY(await(u"right"_s, [&](const QImage &s) {
            return count(s, verdict) && s.copy(verdict) != wrongVerdict &&
                   s.copy(mistakes) == oneMistake && dot(s, answerPlane, Qt::blue) == target &&
                   dot(s, taskPlane, Qt::red) == target;
        }));

        click(rectOf("Command7"));
        if (browser_.isEmpty()) {
            QVERIFY2(x11_.program.waitForFinished(toolTimeout),
                     "the program still runs after Exit");
            QVERIFY(x11_.program.exitStatus() == QProcess::NormalExit &&
                    x11_.program.exitCode() == 0);
            return;
        }
        // The window goes, and the page says that the program has ended, in its title too.
        const QRect corner(0, 0, 60, 340); // the background's picture
        QVERIFY(await(u"ended"_s, [&](const QImage &s) {
            return s.copy(corner) != unstarted_.copy(corner) &&
                   run(x11_, xdotool_, {u"search"_s, u"--name"_s, u"программа завершена"_s});
        }));
        // With the server stopped, the page starts again from what the browser kept, by Enter
        // on its button.
        pageServer_.terminate();
        QVERIFY(pageServer_.waitForFinished(toolTimeout));
        xdotool(u"key Return"_s);
        QVERIFY2(awaitUnstarted(u"offline"_s), "the page did not open again without its server");
        QFile elsewhere(elsewhere_);
        QVERIFY(elsewhere.open(QIODevice::ReadOnly));
        const QByteArray asked = elsewhere.readAll(); // of any other host
        QVERIFY2(asked.isEmpty(), asked.constData());
    }

    // Nothing outlives the test.
    void cleanupTestCase()
    {
        for (QProcess *process : {&x11_.program, &pageServer_, &wayland_.program, &wayland_.server,
                                  &x11_.windowManager, &x11_.server}) {
            process->terminate(); // Xvfb removes its lock and socket on the way out
            if (!process->waitForFinished(toolTimeout)) process->kill();
            process->waitForFinished(toolTimeout);
        }
    }
};

QTEST_GUILESS_MAIN(SmokeTest)
#include "tst_smoke.moc"
