// The real program on its own X server, driven only through the screen, mouse and keyboard, as a
// learner would: start, read the dot, answer right, take another point, answer wrong, exit.
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>
#include <array>
#include <csignal>
#include <functional>
#include <optional>
#include <sys/prctl.h>
#include <vector>

namespace {

// Where the controls are, in the window's client area.
namespace ui {
constexpr QRect startButton(64, 16, 113, 25);
constexpr QRect taskArea(66, 50, 285, 285);    // p1 inside its 2-px frame
constexpr QRect answerArea(386, 50, 285, 285); // p2 likewise
constexpr QRect xBox(376, 352, 33, 28);
constexpr QRect yBox(480, 352, 33, 28);
constexpr QRect verdict(520, 352, 89, 25);
constexpr QRect mistakes(648, 24, 41, 25);
constexpr QRect questions(648, 0, 41, 25);
constexpr QRect acceptButton(376, 384, 121, 25);
constexpr QRect anotherButton(384, 416, 105, 25);
constexpr QRect exitButton(528, 416, 89, 25);
constexpr QSize clientSize(706, 487);
} // namespace ui

// The inside of a framed control, clear of its border.
QRect inner(QRect r, int border)
{
    return r.adjusted(border, border, -border, -border);
}

// The plane shows x and y from -8 to 8 across 285 pixels.
constexpr double unit = 285.0 / 16;
// The picture's grid lines, from the drawing area's corner: columns of x = -8 ... 7, rows of
// y = 7 ... -7.
constexpr std::array<int, 16> gridColumns{0,   18,  36,  53,  71,  89,  107, 125,
                                          143, 160, 178, 196, 214, 232, 249, 267};
constexpr std::array<int, 15> gridRows{17,  35,  52,  70,  88,  106, 124, 142,
                                       159, 177, 195, 213, 231, 248, 266};

// Where the plane draws (x, y), in drawing-area pixels (a pixel's centre is at +0.5).
QPointF mapped(QPoint p)
{
    return {(p.x() + 8) * unit, (8 - p.y()) * unit};
}
QPointF gridCrossing(QPoint p)
{
    return {gridColumns[size_t(p.x() + 8)] + 0.5, gridRows[size_t(7 - p.y())] + 0.5};
}
bool onCrossing(QPointF centre, QPoint p)
{
    const auto close = [](double a, double b) { return qAbs(a - b) <= 1.5; };
    return (close(centre.x(), mapped(p).x()) || close(centre.x(), gridCrossing(p).x())) &&
           (close(centre.y(), mapped(p).y()) || close(centre.y(), gridCrossing(p).y()));
}
// The integer point a learner reads off the plane for a dot there.
QPoint readPoint(QPointF centre)
{
    return {qRound(centre.x() / unit - 8), qRound(8 - centre.y() / unit)};
}
QString describe(QPoint p)
{
    return QStringLiteral("(%1, %2)").arg(p.x()).arg(p.y());
}
QString describe(QPointF p)
{
    return QStringLiteral("(%1, %2)").arg(p.x(), 0, 'f', 2).arg(p.y(), 0, 'f', 2);
}

// The colours the program draws with. Grid lines are teal and black, backgrounds light, so none
// of them passes for these.
bool isRed(QRgb p)
{
    return qRed(p) >= 200 && qGreen(p) <= 80 && qBlue(p) <= 80;
}
bool isBlue(QRgb p)
{
    return qBlue(p) >= 200 && qRed(p) <= 80 && qGreen(p) <= 80;
}
bool isNavy(QRgb p)
{
    return qBlue(p) >= 90 && qBlue(p) <= 170 && qRed(p) <= 60 && qGreen(p) <= 60;
}
bool isDark(QRgb p)
{
    return qGray(p) < 100;
}
// Glyph pixels of a label, whatever their colour: its background is light cyan, and both red and
// navy text have no green.
bool isInk(QRgb p)
{
    return qGreen(p) < 128;
}

using Match = bool (*)(QRgb);

int count(const QImage &image, QRect area, Match match)
{
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (match(image.pixel(x, y))) ++n;
    return n;
}

// Which pixels of the area match, row by row: the shape of a label's text.
std::vector<bool> shape(const QImage &image, QRect area, Match match)
{
    std::vector<bool> bits;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            bits.push_back(match(image.pixel(x, y)));
    return bits;
}
int difference(const std::vector<bool> &a, const std::vector<bool> &b)
{
    int n = 0;
    for (size_t i = 0; i < a.size() && i < b.size(); ++i)
        if (a[i] != b[i]) ++n;
    return n;
}

// The one dot of that colour in the area: its centre relative to the area's corner. Says why not
// when there is none, or more than one dot's worth.
std::optional<QPointF> findDot(const QImage &image, QRect area, Match match, QString *why)
{
    double sx = 0, sy = 0;
    int n = 0;
    QRect bounds;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (match(image.pixel(x, y))) {
                sx += x + 0.5;
                sy += y + 0.5;
                ++n;
                bounds |= QRect(x, y, 1, 1);
            }
    if (n == 0) {
        *why = QStringLiteral("no dot");
        return std::nullopt;
    }
    if (n < 12 || bounds.width() > 14 || bounds.height() > 14) {
        *why = QStringLiteral("%1 dot pixels spread over %2x%3, not one dot")
                   .arg(n)
                   .arg(bounds.width())
                   .arg(bounds.height());
        return std::nullopt;
    }
    return QPointF(sx / n, sy / n) - area.topLeft();
}

// Kills the child if this test dies, so that no X server or program outlives a crashed run.
void dieWithParent(QProcess &process)
{
    process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
}

constexpr int looks = 100;        // screenshots before a state counts as never reached
constexpr int lookInterval = 100; // ms between them
constexpr int toolTimeout = 30000;

} // namespace

class SmokeTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

    void windowAppearsEmpty();
    void startShowsOneTargetDot();
    void rightAnswerIsMarkedWithoutAMistake();
    void anotherPointThenWrongAnswerCountsAMistake();
    void exitEndsTheProgram();

private:
    bool run(const QString &tool, const QStringList &arguments, QByteArray *output = nullptr);
    QImage screenshot(const QString &name);
    QString waitForScreen(const QString &name, const std::function<QString(const QImage &)> &check,
                          QImage *seen);
    void clickAt(QRect control);
    void typeText(const QString &text);
    void answer(QPoint point);
    QRect onScreen(QRect r) const { return r.translated(origin_); }

    QString xdotool_, import_;
    QProcessEnvironment environment_;
    QProcess xvfb_, program_;
    QTemporaryDir shots_{QDir::tempPath() + QStringLiteral("/tavrilo-smoke-XXXXXX")};
    bool failed_ = false;

    QPoint origin_; // the client area's corner on the screen
    QPoint target_;
    std::vector<bool> questionOne_, rightVerdict_;
};

void SmokeTest::initTestCase()
{
    const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
    xdotool_ = QStandardPaths::findExecutable(QStringLiteral("xdotool"));
    // ImageMagick's own copy, ahead of any other "import" on the path.
    import_ =
        QStandardPaths::findExecutable(QStringLiteral("import"), {QStringLiteral("/usr/bin")});
    if (import_.isEmpty()) import_ = QStandardPaths::findExecutable(QStringLiteral("import"));
    QVERIFY2(!xvfb.isEmpty(), "Xvfb not found: install the package xvfb");
    QVERIFY2(!xdotool_.isEmpty(), "xdotool not found: install the package xdotool");
    QVERIFY2(!import_.isEmpty(), "import not found: install the package imagemagick");
    QVERIFY2(shots_.isValid(), qPrintable(shots_.errorString()));

    // The server picks a free display itself and writes its number to our end of the pipe.
    dieWithParent(xvfb_);
    xvfb_.setStandardErrorFile(QProcess::nullDevice());
    xvfb_.start(xvfb,
                {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                 QStringLiteral("0"), QStringLiteral("1024x768x24"), QStringLiteral("-nolisten"),
                 QStringLiteral("tcp"), QStringLiteral("-noreset")});
    QVERIFY2(xvfb_.waitForStarted(toolTimeout), qPrintable(xvfb_.errorString()));
    QByteArray reply;
    while (!reply.contains('\n') && xvfb_.state() == QProcess::Running &&
           xvfb_.waitForReadyRead(toolTimeout))
        reply += xvfb_.readAllStandardOutput();
    reply += xvfb_.readAllStandardOutput();
    bool ok = false;
    const int display = reply.trimmed().toInt(&ok);
    QVERIFY2(ok, qPrintable(QStringLiteral("Xvfb gave no display number (said \"%1\")")
                                .arg(QString::fromLocal8Bit(reply))));

    environment_ = QProcessEnvironment::systemEnvironment();
    environment_.insert(QStringLiteral("DISPLAY"), QStringLiteral(":%1").arg(display));
    environment_.remove(QStringLiteral("WAYLAND_DISPLAY"));
    environment_.remove(QStringLiteral("XAUTHORITY"));

    QProcessEnvironment programEnvironment = environment_;
    programEnvironment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    program_.setProcessEnvironment(programEnvironment);
    program_.setProcessChannelMode(QProcess::ForwardedChannels);
    dieWithParent(program_);
    program_.start(QStringLiteral(TAVRILO_BINARY), {});
    QVERIFY2(program_.waitForStarted(toolTimeout), qPrintable(program_.errorString()));
}

// After a failure the later steps have nothing to build on; they are skipped, not failed again.
void SmokeTest::init()
{
    if (failed_) QSKIP("an earlier step failed");
}

void SmokeTest::cleanup()
{
    if (QTest::currentTestFailed()) failed_ = true;
}

void SmokeTest::cleanupTestCase()
{
    if (program_.state() != QProcess::NotRunning) {
        program_.kill();
        program_.waitForFinished(toolTimeout);
    }
    if (xvfb_.state() != QProcess::NotRunning) {
        xvfb_.terminate();
        if (!xvfb_.waitForFinished(toolTimeout)) {
            xvfb_.kill();
            xvfb_.waitForFinished(toolTimeout);
        }
    }
    // Screenshots are kept when something failed: the messages point at them.
    shots_.setAutoRemove(!failed_);
}

// Runs an X tool on our display; true if it ran and succeeded.
bool SmokeTest::run(const QString &tool, const QStringList &arguments, QByteArray *output)
{
    QProcess process;
    process.setProcessEnvironment(environment_);
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start(tool, arguments);
    if (!process.waitForFinished(toolTimeout)) {
        process.kill();
        process.waitForFinished(toolTimeout);
        return false;
    }
    if (output) *output = process.readAllStandardOutput();
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

// The whole screen as it is now, also saved under the name (overwriting an earlier look).
QImage SmokeTest::screenshot(const QString &name)
{
    const QString path = shots_.filePath(name + QStringLiteral(".png"));
    QFile::remove(path);
    if (!run(import_, {QStringLiteral("-window"), QStringLiteral("root"), path})) return {};
    return QImage(path).convertToFormat(QImage::Format_RGB32);
}

// Looks at the screen until check finds all it expects (it returns "") or the looks run out.
// Returns "" or what was last missing, with the screenshot that showed it.
QString SmokeTest::waitForScreen(const QString &name,
                                 const std::function<QString(const QImage &)> &check, QImage *seen)
{
    QString missing = QStringLiteral("no screenshot could be taken");
    for (int i = 0; i < looks; ++i) {
        if (i > 0) QThread::msleep(lookInterval);
        if (program_.state() == QProcess::NotRunning)
            return QStringLiteral("the program has ended (exit code %1)").arg(program_.exitCode());
        const QImage image = screenshot(name);
        if (image.isNull() || !image.rect().contains(onScreen(QRect(QPoint(), ui::clientSize))))
            continue;
        missing = check(image);
        if (missing.isEmpty()) {
            *seen = image;
            return {};
        }
    }
    return QStringLiteral("%1 (last screenshot: %2)")
        .arg(missing, shots_.filePath(name + QStringLiteral(".png")));
}

void SmokeTest::clickAt(QRect control)
{
    const QPoint centre = onScreen(control).center();
    QVERIFY2(run(xdotool_, {QStringLiteral("mousemove"), QStringLiteral("--sync"),
                            QString::number(centre.x()), QString::number(centre.y()),
                            QStringLiteral("click"), QStringLiteral("1")}),
             "xdotool could not click");
}

void SmokeTest::typeText(const QString &text)
{
    // "--" so that a minus sign is typed, not taken for an option.
    QVERIFY2(run(xdotool_, {QStringLiteral("type"), QStringLiteral("--"), text}),
             "xdotool could not type");
}

// Types the point into the two boxes (checking they show it) and accepts it.
void SmokeTest::answer(QPoint point)
{
    clickAt(ui::xBox);
    typeText(QString::number(point.x()));
    clickAt(ui::yBox);
    typeText(QString::number(point.y()));
    if (QTest::currentTestFailed()) return;
    QImage screen;
    const QString problem = waitForScreen(
        QStringLiteral("typed"),
        [&](const QImage &s) -> QString {
            if (count(s, onScreen(inner(ui::xBox, 3)), isDark) == 0)
                return QStringLiteral("the x box shows nothing typed");
            if (count(s, onScreen(inner(ui::yBox, 3)), isDark) == 0)
                return QStringLiteral("the y box shows nothing typed");
            return {};
        },
        &screen);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    clickAt(ui::acceptButton);
}

void SmokeTest::windowAppearsEmpty()
{
    QByteArray found;
    for (int i = 0; i < looks && found.trimmed().isEmpty(); ++i) {
        if (i > 0) QThread::msleep(lookInterval);
        run(xdotool_,
            {QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"),
             QStringLiteral("^Tavrilo$")},
            &found);
    }
    const QList<QByteArray> windows = found.trimmed().split('\n');
    QVERIFY2(!found.trimmed().isEmpty(), "no window titled \"Tavrilo\" appeared");
    QCOMPARE(windows.size(), qsizetype(1));

    QByteArray geometry;
    QVERIFY(run(xdotool_,
                {QStringLiteral("getwindowgeometry"), QStringLiteral("--shell"),
                 QString::fromLatin1(windows.first())},
                &geometry));
    QMap<QByteArray, int> value;
    for (const QByteArray &line : geometry.split('\n')) {
        const int eq = line.indexOf('=');
        if (eq > 0) value[line.left(eq)] = line.mid(eq + 1).toInt();
    }
    QCOMPARE(QSize(value.value("WIDTH"), value.value("HEIGHT")), ui::clientSize);
    origin_ = QPoint(value.value("X"), value.value("Y"));

    // Painted (the bare root is black), with no dot and no text in the answer labels yet.
    QImage screen;
    const QString problem = waitForScreen(
        QStringLiteral("window"),
        [&](const QImage &s) -> QString {
            for (QRect plane : {ui::taskArea, ui::answerArea})
                if (count(s, onScreen(plane), isDark) > plane.width() * plane.height() / 4)
                    return QStringLiteral("the planes are not painted");
            for (QRect plane : {ui::taskArea, ui::answerArea})
                if (count(s, onScreen(plane), isRed) + count(s, onScreen(plane), isBlue) > 0)
                    return QStringLiteral("a plane shows a dot before the start");
            if (count(s, onScreen(inner(ui::mistakes, 2)), isInk) > 0)
                return QStringLiteral("the mistake count shows something before the start");
            if (count(s, onScreen(ui::verdict), isInk) > 0)
                return QStringLiteral("the verdict shows something before the start");
            return {};
        },
        &screen);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
}

void SmokeTest::startShowsOneTargetDot()
{
    clickAt(ui::startButton);
    QImage screen;
    std::optional<QPointF> dot;
    const QString problem = waitForScreen(
        QStringLiteral("start"),
        [&](const QImage &s) -> QString {
            QString why;
            dot = findDot(s, onScreen(ui::taskArea), isRed, &why);
            return dot ? QString() : QStringLiteral("task plane after Start: ") + why;
        },
        &screen);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    const QString shot = shots_.filePath(QStringLiteral("start.png"));

    target_ = readPoint(*dot);
    QVERIFY2(qAbs(target_.x()) <= 7 && qAbs(target_.y()) <= 7,
             qPrintable(QStringLiteral("the dot at %1 reads as %2, outside -7...7; see %3")
                            .arg(describe(*dot), describe(target_), shot)));
    QVERIFY2(onCrossing(*dot, target_),
             qPrintable(QStringLiteral("the dot at %1 is off the crossing of %2; see %3")
                            .arg(describe(*dot), describe(target_), shot)));
    QVERIFY2(count(screen, onScreen(ui::answerArea), isRed) == 0 &&
                 count(screen, onScreen(ui::answerArea), isBlue) == 0,
             qPrintable(QStringLiteral("the answer plane shows a dot after Start; see ") + shot));
    QVERIFY2(count(screen, onScreen(inner(ui::mistakes, 2)), isInk) == 0,
             qPrintable(QStringLiteral("the mistake count is written at the start; see ") + shot));
    QVERIFY2(count(screen, onScreen(inner(ui::questions, 2)), isNavy) > 0,
             qPrintable(QStringLiteral("no question count after Start; see ") + shot));
    questionOne_ = shape(screen, onScreen(inner(ui::questions, 2)), isInk);
}

void SmokeTest::rightAnswerIsMarkedWithoutAMistake()
{
    answer(target_);
    if (QTest::currentTestFailed()) return;
    QImage screen;
    std::optional<QPointF> dot;
    const QString problem = waitForScreen(
        QStringLiteral("right"),
        [&](const QImage &s) -> QString {
            QString why;
            dot = findDot(s, onScreen(ui::answerArea), isBlue, &why);
            if (!dot) return QStringLiteral("answer plane after Accept: ") + why;
            if (count(s, onScreen(ui::verdict), isRed) == 0)
                return QStringLiteral("no verdict after Accept");
            return {};
        },
        &screen);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    const QString shot = shots_.filePath(QStringLiteral("right.png"));

    QVERIFY2(onCrossing(*dot, target_),
             qPrintable(QStringLiteral("answered %1, but the answer dot is at %2; see %3")
                            .arg(describe(target_), describe(*dot), shot)));
    QVERIFY2(count(screen, onScreen(inner(ui::mistakes, 2)), isInk) == 0,
             qPrintable(QStringLiteral("a right answer wrote the mistake count; see ") + shot));
    QString why;
    const auto task = findDot(screen, onScreen(ui::taskArea), isRed, &why);
    QVERIFY2(task && readPoint(*task) == target_,
             qPrintable(QStringLiteral("the task dot moved on Accept; see ") + shot));
    rightVerdict_ = shape(screen, onScreen(ui::verdict), isInk);
}

void SmokeTest::anotherPointThenWrongAnswerCountsAMistake()
{
    clickAt(ui::anotherButton);
    QImage screen;
    std::optional<QPointF> dot;
    QString problem = waitForScreen(
        QStringLiteral("another"),
        [&](const QImage &s) -> QString {
            for (Match m : {isRed, isBlue})
                if (count(s, onScreen(ui::answerArea), m) > 0)
                    return QStringLiteral("the answer plane is not cleared");
            if (count(s, onScreen(ui::verdict), isInk) > 0)
                return QStringLiteral("the verdict is not cleared");
            for (QRect box : {ui::xBox, ui::yBox})
                if (count(s, onScreen(inner(box, 3)), isDark) > 0)
                    return QStringLiteral("the answer boxes are not cleared");
            if (count(s, onScreen(inner(ui::mistakes, 2)), isRed) == 0)
                return QStringLiteral("no mistake count after Another point");
            QString why;
            dot = findDot(s, onScreen(ui::taskArea), isRed, &why);
            return dot ? QString() : QStringLiteral("task plane after Another point: ") + why;
        },
        &screen);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    QString shot = shots_.filePath(QStringLiteral("another.png"));

    target_ = readPoint(*dot);
    QVERIFY2(qAbs(target_.x()) <= 7 && qAbs(target_.y()) <= 7 && onCrossing(*dot, target_),
             qPrintable(QStringLiteral("the new dot at %1 is on no crossing of -7...7; see %2")
                            .arg(describe(*dot), shot)));
    const QRect questionsInside = onScreen(inner(ui::questions, 2));
    QVERIFY2(difference(shape(screen, questionsInside, isInk), questionOne_) > 10,
             qPrintable(QStringLiteral("the question count did not change; see ") + shot));
    const std::vector<bool> noMistakes = shape(screen, onScreen(inner(ui::mistakes, 2)), isInk);

    const QPoint wrong((target_.x() + 7 + 1) % 15 - 7, target_.y());
    answer(wrong);
    if (QTest::currentTestFailed()) return;
    problem = waitForScreen(
        QStringLiteral("wrong"),
        [&](const QImage &s) -> QString {
            QString why;
            dot = findDot(s, onScreen(ui::answerArea), isBlue, &why);
            if (!dot) return QStringLiteral("answer plane after a wrong Accept: ") + why;
            if (count(s, onScreen(ui::verdict), isRed) == 0)
                return QStringLiteral("no verdict after a wrong Accept");
            if (difference(shape(s, onScreen(inner(ui::mistakes, 2)), isInk), noMistakes) <= 10)
                return QStringLiteral("the mistake count did not change on a wrong answer");
            return {};
        },
        &screen);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    shot = shots_.filePath(QStringLiteral("wrong.png"));

    QVERIFY2(onCrossing(*dot, wrong),
             qPrintable(QStringLiteral("answered %1, but the answer dot is at %2; see %3")
                            .arg(describe(wrong), describe(*dot), shot)));
    QVERIFY2(difference(shape(screen, onScreen(ui::verdict), isInk), rightVerdict_) > 10,
             qPrintable(QStringLiteral("a wrong answer got the same verdict as a right one; see ") +
                        shot));
    // One mistake so far: the count reads as the question count did when it was 1 (both labels
    // share size, font and centring).
    const int unlikeOne =
        difference(shape(screen, onScreen(inner(ui::mistakes, 2)), isInk), questionOne_);
    QVERIFY2(unlikeOne <= 6,
             qPrintable(QStringLiteral("the mistake count does not read 1 (%1 pixels unlike the "
                                       "question count 1); see %2")
                            .arg(unlikeOne)
                            .arg(shot)));
}

void SmokeTest::exitEndsTheProgram()
{
    clickAt(ui::exitButton);
    QVERIFY2(program_.waitForFinished(toolTimeout), "the program is still running after Exit");
    QCOMPARE(program_.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program_.exitCode(), 0);
}

QTEST_GUILESS_MAIN(SmokeTest)
#include "tst_smoke.moc"
