// The drill's rules through its four handlers, against a fake window: no screen needed.
#include "fakewindow.h"
#include "quiz.h"

#include <QLocale>
#include <QScopeGuard>
#include <QtTest>
#include <limits>
#include <set>

using namespace tavrilo;
using namespace tavrilo::testing;

namespace {

struct Drill {
    explicit Drill(QuizState initial = {})
        : quiz(window, random, initial)
    {}

    // Plays a script of steps separated by ";": "start X Y", "next X Y" (X, Y: the point the
    // random values give), "x TEXT", "y TEXT" (typed into a box; no text empties it), "accept",
    // "exit".
    void play(const QString &script)
    {
        for (QString step : script.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            while (step.startsWith(QLatin1Char(' ')))
                step.remove(0, 1);
            const QString command = step.section(QLatin1Char(' '), 0, 0);
            const QString text = step.section(QLatin1Char(' '), 1); // trailing blanks kept
            const QStringList point = text.split(QLatin1Char(' '));
            if (command == "start" || command == "next")
                random.queuePoint(point.value(0).toInt(), point.value(1).toInt());
            if (command == "start")
                quiz.Command2_Click();
            else if (command == "next")
                quiz.Command5_Click();
            else if (command == "accept")
                quiz.Command3_Click();
            else if (command == "exit")
                quiz.Command7_Click();
            else if (command == "x")
                window.t1 = text;
            else if (command == "y")
                window.t2 = text;
            else
                qFatal("unknown step %s", qPrintable(step));
        }
    }
    QPointF at(double x, double y) const { return window.p1.toPixels(x, y); }

    FakeWindow window;
    ScriptedRandom random;
    Quiz quiz;
};

// A caption as the test tables write it: "-" for one never written.
QString caption(const std::optional<QString> &text)
{
    return text ? *text : QStringLiteral("-");
}

} // namespace

class QuizTest : public QObject {
    Q_OBJECT

private slots:
    void startSetsUpBothPlanes();
    void targetFromRandomValue_data();
    void targetFromRandomValue();
    void targetsCoverTheWholeRange();
    void stepsInAnyOrder_data();
    void stepsInAnyOrder();
    void answersAreDrawnAndJudged_data();
    void answersAreDrawnAndJudged();
    void countsNeitherStopAt32767NorWrap();
};

void QuizTest::startSetsUpBothPlanes()
{
    Drill d;
    d.play("start 3 -2");
    QCOMPARE(d.random.seeds, 1);
    for (const PlaneDrawing *plane : {&d.window.p1, &d.window.p2}) {
        QCOMPARE(plane->toPixels(-8, 8), QPointF(0, 0));
        QCOMPARE(plane->toPixels(8, -8), QPointF(285, 285));
        QCOMPARE(plane->penWidth(), 4);
    }
    QCOMPARE(d.window.p1.circles().size(), size_t(1));
    const auto &dot = d.window.p1.circles().front();
    QCOMPARE(dot.centre, QPointF((3 + 8) * 17.8125, (8 + 2) * 17.8125));
    QCOMPARE(dot.colour, QColor(255, 0, 0));
    QVERIFY(qAbs(dot.radius - 0.1 * 17.8125) < 1e-5);
}

void QuizTest::targetFromRandomValue_data()
{
    QTest::addColumn<float>("random");
    QTest::addColumn<float>("target");
    QTest::newRow("zero") << 0.0f << -7.0f;
    QTest::newRow("just below a fifteenth") << std::nextafter(1.0f / 15, 0.0f) << -7.0f;
    QTest::newRow("middle") << 0.5f << 0.0f;
    QTest::newRow("largest generated value") << ClockRandom::fromBits(0xFFFFFFFFu) << 7.0f;
    QTest::newRow("largest float below one") << std::nextafter(1.0f, 0.0f) << 7.0f;
}

void QuizTest::targetFromRandomValue()
{
    QFETCH(float, random);
    QFETCH(float, target);
    Drill d;
    d.random.values = {random, random};
    d.quiz.Command2_Click();
    QCOMPARE(d.quiz.state().targetX, target);
    QCOMPARE(d.quiz.state().targetY, target);
}

void QuizTest::targetsCoverTheWholeRange()
{
    // The real generator, point after point through the handlers.
    FakeWindow window;
    ClockRandom random;
    Quiz quiz(window, random);
    quiz.Command2_Click();
    std::set<float> xs, ys;
    for (int i = 0; i < 20000; ++i) {
        const float x = quiz.state().targetX, y = quiz.state().targetY;
        QVERIFY2(x >= -7 && x <= 7 && y >= -7 && y <= 7 && x == std::floor(x) && y == std::floor(y),
                 qPrintable(QStringLiteral("(%1, %2)").arg(x).arg(y)));
        xs.insert(x);
        ys.insert(y);
        quiz.Command5_Click();
    }
    QCOMPARE(xs.size(), size_t(15));
    QCOMPARE(ys.size(), size_t(15));
}

void QuizTest::stepsInAnyOrder_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("target"); // "x y" of the current point
    QTest::addColumn<int>("questions");
    QTest::addColumn<int>("accepts");
    QTest::addColumn<int>("mistakes");
    QTest::addColumn<QStringList>("captions"); // Label5, Label7, Label8
    QTest::addColumn<QStringList>("boxes");    // t1, t2
    QTest::addColumn<QList<int>>("dots");      // on p1, on p2
    QTest::addColumn<int>("messages");

    using L = QStringList;
    using D = QList<int>;
    const auto row = [](const char *name, const char *script) -> QTestData & {
        return QTest::newRow(name) << QString(script);
    };
    // Start
    row("start", "start 3 -2") << "3 -2" << 1 << 0 << 0 << L{"-", "1", "-"} << L{"", ""} << D{1, 0}
                               << 0;
    row("second start", "start 3 -2; x 5; y 5; accept; start 1 1")
        << "3 -2" << 1 << 1 << 1 << L{"1", "1", "Ошибка"} << L{"5", "5"} << D{1, 1} << 0;
    row("typed before start", "x 12; y a; start 0 0")
        << "0 0" << 1 << 0 << 0 << L{"-", "1", "-"} << L{"12", "a"} << D{1, 0} << 0;
    // Accept answer
    row("right", "start 3 -2; x 3; y -2; accept")
        << "3 -2" << 1 << 1 << 0 << L{"-", "1", "Верно"} << L{"3", "-2"} << D{1, 1} << 0;
    row("wrong", "start 3 -2; x 3; y 2; accept")
        << "3 -2" << 1 << 1 << 1 << L{"1", "1", "Ошибка"} << L{"3", "2"} << D{1, 1} << 0;
    row("x only", "start 3 3; x 3; accept; accept")
        << "3 3" << 1 << 0 << 0 << L{"-", "1", "-"} << L{"3", ""} << D{1, 0} << 0;
    row("y only", "start 3 3; y 3; accept")
        << "3 3" << 1 << 0 << 0 << L{"-", "1", "-"} << L{"", "3"} << D{1, 0} << 0;
    row("second accept, corrected", "start 3 -2; x 3; y 2; accept; y -2; accept")
        << "3 -2" << 1 << 2 << 1 << L{"1", "1", "Ошибка"} << L{"3", "-2"} << D{1, 1} << 0;
    row("accept before start", "x 1; y 2; accept")
        << "0 0" << 0 << 1 << 0 << L{"-", "-", "-"} << L{"1", "2"} << D{0, 0} << 0;
    row("accept before start, then start", "x 1; y 2; accept; start 1 2; accept")
        << "1 2" << 1 << 1 << 0 << L{"-", "1", "Верно"} << L{"1", "2"} << D{1, 1} << 0;
    // Another point
    row("next after right", "start 4 4; x 4; y 4; accept; next -5 6")
        << "-5 6" << 2 << 0 << 0 << L{"0", "2", ""} << L{"", ""} << D{1, 0} << 0;
    row("next after wrong", "start 4 4; x 5; y 4; accept; next -5 6")
        << "-5 6" << 2 << 0 << 1 << L{"1", "2", ""} << L{"", ""} << D{1, 0} << 0;
    row("next, skipping twice", "start 1 1; next 2 2; next 3 3")
        << "3 3" << 3 << 0 << 2 << L{"2", "3", ""} << L{"", ""} << D{1, 0} << 0;
    row("next with an answer typed, not accepted", "start 1 2; x 1; y 2; next 5 5")
        << "1 2" << 1 << 0 << 0 << L{"-", "1", "-"} << L{"1", "2"} << D{1, 0} << 1;
    row("next with one box typed", "start 1 2; x 1; accept; next 5 5")
        << "1 2" << 1 << 0 << 0 << L{"-", "1", "-"} << L{"1", ""} << D{1, 0} << 1;
    row("next with a blank typed", "start 1 2; x  ; next 5 5")
        << "1 2" << 1 << 0 << 0 << L{"-", "1", "-"} << L{" ", ""} << D{1, 0} << 1;
    row("next after editing a judged answer", "start 1 2; x 1; y 2; accept; x 7; y; next 0 0")
        << "0 0" << 2 << 0 << 0 << L{"0", "2", ""} << L{"", ""} << D{1, 0} << 0;
    row("next before start", "x 3; next 1 1")
        << "0 0" << 0 << 0 << 0 << L{"-", "-", "-"} << L{"3", ""} << D{0, 0} << 0;
}

void QuizTest::stepsInAnyOrder()
{
    QFETCH(QString, script);
    QFETCH(QString, target);
    QFETCH(int, questions);
    QFETCH(int, accepts);
    QFETCH(int, mistakes);
    QFETCH(QStringList, captions);
    QFETCH(QStringList, boxes);
    QFETCH(QList<int>, dots);
    QFETCH(int, messages);

    Drill d;
    d.play(script);
    const QuizState &s = d.quiz.state();
    QCOMPARE(QStringLiteral("%1 %2").arg(s.targetX).arg(s.targetY), target);
    QCOMPARE(s.questionCount, questions);
    QCOMPARE(s.acceptCount, accepts);
    QCOMPARE(s.mistakeCount, mistakes);
    QCOMPARE(
        (QStringList{caption(d.window.label5), caption(d.window.label7), caption(d.window.label8)}),
        captions);
    QCOMPARE((QStringList{d.window.t1, d.window.t2}), boxes);
    QCOMPARE((QList<int>{int(d.window.p1.circles().size()), int(d.window.p2.circles().size())}),
             dots);
    if (dots[0] == 1) QCOMPARE(d.window.p1.circles().front().centre, d.at(s.targetX, s.targetY));
    QCOMPARE(d.window.messages, messages);
    if (messages) {
        QCOMPARE(d.window.lastPrompt, QStringLiteral("Подтвердите принятие введённого ответа"));
        QCOMPARE(d.window.lastTitle, QStringLiteral("Tavrilo"));
    }

    // Exit ends the program whatever came before.
    QVERIFY(!d.window.ended);
    d.play("exit");
    QVERIFY(d.window.ended);
}

void QuizTest::answersAreDrawnAndJudged_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("answer"); // "x y" typed, target (3, -2)
    QTest::addColumn<bool>("right");
    QTest::addColumn<bool>("dot");
    QTest::addColumn<QPointF>("dotAt"); // user units

    const auto row = [](const char *name, const char *locale, const char *answer) -> QTestData & {
        return QTest::newRow(name) << QString(locale) << QString(answer);
    };
    row("right", "en_US", "3 -2") << true << true << QPointF(3, -2);
    row("wrong", "ru_RU", "-3 -2") << false << true << QPointF(-3, -2);
    // The right number in another form: drawn where it says, judged by its text.
    row("plus sign", "en_US", "+3 -2") << false << true << QPointF(3, -2);
    row("leading zero", "en_US", "03 -2") << false << true << QPointF(3, -2);
    row("decimal point, en", "en_US", "3.0 -2") << false << true << QPointF(3, -2);
    row("decimal comma, ru", "ru_RU", "3,0 -2") << false << true << QPointF(3, -2);
    row("fraction", "ru_RU", "2,5 -2") << false << true << QPointF(2.5, -2);
    // Not a number in the locale: no dot, one mistake.
    row("letters", "en_US", "three -2") << false << false << QPointF();
    row("lone minus", "en_US", "3 -") << false << false << QPointF();
    row("decimal comma, en", "en_US", "3,5 -2") << false << false << QPointF();
    row("decimal point, ru", "ru_RU", "3.5 -2") << false << false << QPointF();
    row("beyond single precision", "en_US", "1e999 -2") << false << false << QPointF();
    row("nan", "en_US", "nan -2") << false << false << QPointF();
    row("inf", "en_US", "3 -inf") << false << false << QPointF();
    // Far off the plane: drawn (out of sight) and judged.
    row("far off", "en_US", "1e30 -1e30") << false << true << QPointF(1e30, -1e30);
}

void QuizTest::answersAreDrawnAndJudged()
{
    QFETCH(QString, locale);
    QFETCH(QString, answer);
    QFETCH(bool, right);
    QFETCH(bool, dot);
    QFETCH(QPointF, dotAt);

    const QLocale saved;
    QLocale::setDefault(QLocale(locale));
    const auto restore = qScopeGuard([&] { QLocale::setDefault(saved); });

    Drill d;
    const QStringList xy = answer.split(QLatin1Char(' '));
    d.play(QStringLiteral("start 3 -2; x %1; y %2; accept").arg(xy[0], xy[1]));
    QCOMPARE(d.window.label8, right ? QStringLiteral("Верно") : QStringLiteral("Ошибка"));
    QCOMPARE(d.quiz.state().mistakeCount, right ? 0 : 1);
    QCOMPARE(d.window.p2.circles().size(), size_t(dot ? 1 : 0));
    if (dot) {
        const auto &c = d.window.p2.circles().front();
        const QPointF expected = d.at(float(dotAt.x()), float(dotAt.y()));
        QVERIFY(qAbs(c.centre.x() - expected.x()) <= qAbs(expected.x()) * 1e-6);
        QVERIFY(qAbs(c.centre.y() - expected.y()) <= qAbs(expected.y()) * 1e-6);
        QCOMPARE(c.colour, QColor(0, 0, 255));
    }
}

void QuizTest::countsNeitherStopAt32767NorWrap()
{
    Drill past(QuizState{32767, 0, 1, 1, 32767});
    past.play("x 0; y 0; accept; next 1 1");
    QCOMPARE(past.quiz.state().mistakeCount, 32768);
    QCOMPARE(past.window.label5, QStringLiteral("32768"));
    QCOMPARE(past.window.label7, QStringLiteral("32768"));

    // At the very end of the range the counts stay put instead of turning negative.
    constexpr int most = std::numeric_limits<int>::max();
    Drill end(QuizState{most, most, 1, 1, most});
    end.play("x 0; y 0; accept"); // judged long ago: no second verdict
    QCOMPARE(end.quiz.state().acceptCount, most);
    QVERIFY(!end.window.label8);
    end.play("next 1 1; next 2 2");
    QCOMPARE(end.quiz.state().questionCount, most);
    QCOMPARE(end.quiz.state().mistakeCount, most);
    QCOMPARE(end.window.label5, QString::number(most));
}

QTEST_APPLESS_MAIN(QuizTest)
#include "tst_quiz.moc"
