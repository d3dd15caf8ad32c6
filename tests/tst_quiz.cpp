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
    // Starts with the first target at (x, y).
    void start(int x, int y)
    {
        random.queuePoint(x, y);
        quiz.Command2_Click();
    }
    void answer(const QString &x, const QString &y)
    {
        window.t1 = x;
        window.t2 = y;
        quiz.Command3_Click();
    }
    void next(int x, int y)
    {
        random.queuePoint(x, y);
        quiz.Command5_Click();
    }
    QPointF at(double x, double y) const { return window.p1.toPixels(x, y); }

    FakeWindow window;
    ScriptedRandom random;
    Quiz quiz;
};

} // namespace

class QuizTest : public QObject {
    Q_OBJECT

private slots:
    // Start
    void startSetsUpTheFirstPoint();
    void startWorksOnce();
    void startKeepsTypedText();
    void targetFromRandomValue_data();
    void targetFromRandomValue();
    void targetsCoverTheWholeRange();

    // Accept answer
    void acceptJudgesTheAnswer_data();
    void acceptJudgesTheAnswer();
    void acceptWithAnEmptyBoxDoesNothing_data();
    void acceptWithAnEmptyBoxDoesNothing();
    void secondAcceptDoesNothing();
    void acceptBeforeStartShowsNothing();

    // Another point
    void nextAfterAnAnswer_data();
    void nextAfterAnAnswer();
    void nextAfterSkippingCountsAMistake();
    void nextWithAnUnacceptedAnswerAsksForIt_data();
    void nextWithAnUnacceptedAnswerAsksForIt();
    void nextAfterEditingAJudgedAnswer();
    void nextBeforeStartDoesNothing();

    // Exit
    void exitEndsTheProgramInAnyState();

    // Counts
    void countsGoPast32767();
    void countsNeverWrap();
};

void QuizTest::startSetsUpTheFirstPoint()
{
    Drill d;
    d.start(3, -2);

    QCOMPARE(d.random.seeds, 1);
    QCOMPARE(d.quiz.state().questionCount, 1);
    QCOMPARE(d.quiz.state().acceptCount, 0);
    QCOMPARE(d.quiz.state().targetX, 3.0f);
    QCOMPARE(d.quiz.state().targetY, -2.0f);
    QCOMPARE(d.window.label7, QStringLiteral("1"));
    QVERIFY(!d.window.label5);
    QVERIFY(!d.window.label8);

    // Both planes carry the -8...8 scale and pen width 4; one red dot on the task plane.
    for (const PlaneDrawing *plane : {&d.window.p1, &d.window.p2}) {
        QCOMPARE(plane->toPixels(-8, 8), QPointF(0, 0));
        QCOMPARE(plane->toPixels(8, -8), QPointF(285, 285));
        QCOMPARE(plane->penWidth(), 4);
    }
    QCOMPARE(d.window.p1.circles().size(), size_t(1));
    const auto &dot = d.window.p1.circles().front();
    QCOMPARE(dot.centre, QPointF((3 + 8) * 17.8125, (8 + 2) * 17.8125));
    QCOMPARE(dot.colour, QColor(255, 0, 0));
    QCOMPARE(dot.penWidth, 4);
    QVERIFY(qAbs(dot.radius - 1.78125) < 1e-5);
    QVERIFY(d.window.p2.circles().empty());
}

void QuizTest::startWorksOnce()
{
    Drill d;
    d.start(1, 1);
    d.answer("5", "5");
    const QuizState state = d.quiz.state();
    const Screen screen = d.window.screen();

    d.random.queuePoint(-4, 4);
    d.quiz.Command2_Click();

    QCOMPARE(d.quiz.state(), state);
    QVERIFY(d.window.screen() == screen);
    QCOMPARE(d.random.seeds, 1);
}

void QuizTest::startKeepsTypedText()
{
    Drill d;
    d.window.t1 = "12";
    d.window.t2 = "x";
    d.start(0, 0);
    QCOMPARE(d.window.t1, QStringLiteral("12"));
    QCOMPARE(d.window.t2, QStringLiteral("x"));
}

void QuizTest::targetFromRandomValue_data()
{
    QTest::addColumn<float>("random");
    QTest::addColumn<float>("target");
    QTest::newRow("zero") << 0.0f << -7.0f;
    QTest::newRow("just below a fifteenth") << std::nextafter(1.0f / 15, 0.0f) << -7.0f;
    QTest::newRow("a fifteenth") << 1.0f / 15 << -6.0f;
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

void QuizTest::acceptJudgesTheAnswer_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<int>("targetX");
    QTest::addColumn<int>("targetY");
    QTest::addColumn<QString>("x");
    QTest::addColumn<QString>("y");
    QTest::addColumn<bool>("right");
    QTest::addColumn<bool>("dot");
    QTest::addColumn<QPointF>("dotAt"); // user units

    const QString en = "en_US", ru = "ru_RU";
    QTest::newRow("right") << en << 3 << -2 << "3"
                           << "-2" << true << true << QPointF(3, -2);
    QTest::newRow("wrong y") << en << 3 << -2 << "3"
                             << "2" << false << true << QPointF(3, 2);
    QTest::newRow("wrong x") << en << 3 << -2 << "-3"
                             << "-2" << false << true << QPointF(-3, -2);
    QTest::newRow("origin") << ru << 0 << 0 << "0"
                            << "0" << true << true << QPointF(0, 0);
    QTest::newRow("corner") << ru << -7 << 7 << "-7"
                            << "7" << true << true << QPointF(-7, 7);

    // The right number in another form: drawn where it says, judged by its text.
    QTest::newRow("plus sign") << en << 3 << -2 << "+3"
                               << "-2" << false << true << QPointF(3, -2);
    QTest::newRow("leading zero") << en << 3 << -2 << "03"
                                  << "-2" << false << true << QPointF(3, -2);
    QTest::newRow("decimal point, en") << en << 3 << -2 << "3.0"
                                       << "-2" << false << true << QPointF(3, -2);
    QTest::newRow("decimal comma, ru") << ru << 3 << -2 << "3,0"
                                       << "-2" << false << true << QPointF(3, -2);
    QTest::newRow("minus zero") << en << 0 << 1 << "-0"
                                << "1" << false << true << QPointF(0, 1);
    QTest::newRow("fraction") << ru << 2 << 2 << "2,5"
                              << "2" << false << true << QPointF(2.5, 2);

    // Not a number in the locale: no dot, one mistake.
    QTest::newRow("letters") << en << 1 << 1 << "one"
                             << "1" << false << false << QPointF();
    QTest::newRow("lone minus") << en << 1 << 1 << "1"
                                << "-" << false << false << QPointF();
    QTest::newRow("decimal comma, en") << en << 3 << 1 << "3,5"
                                       << "1" << false << false << QPointF();
    QTest::newRow("decimal point, ru") << ru << 3 << 1 << "3.5"
                                       << "1" << false << false << QPointF();
    QTest::newRow("beyond single precision") << en << 1 << 1 << "1e999"
                                             << "1" << false << false << QPointF();
    QTest::newRow("nan") << en << 1 << 1 << "nan"
                         << "1" << false << false << QPointF();
    QTest::newRow("inf") << en << 1 << 1 << "1"
                         << "inf" << false << false << QPointF();

    // Far off the plane: drawn (out of sight) and judged.
    QTest::newRow("far off") << en << 1 << 1 << "1e30"
                             << "-1e30" << false << true << QPointF(1e30, -1e30);
}

void QuizTest::acceptJudgesTheAnswer()
{
    QFETCH(QString, locale);
    QFETCH(int, targetX);
    QFETCH(int, targetY);
    QFETCH(QString, x);
    QFETCH(QString, y);
    QFETCH(bool, right);
    QFETCH(bool, dot);
    QFETCH(QPointF, dotAt);

    const QLocale saved;
    QLocale::setDefault(QLocale(locale));
    const auto restore = qScopeGuard([&] { QLocale::setDefault(saved); });

    Drill d;
    d.start(targetX, targetY);
    d.answer(x, y);

    QCOMPARE(d.quiz.state().acceptCount, 1);
    QCOMPARE(d.window.label8, right ? QStringLiteral("Верно") : QStringLiteral("Ошибка"));
    QCOMPARE(d.quiz.state().mistakeCount, right ? 0 : 1);
    if (right)
        QVERIFY(!d.window.label5);
    else
        QCOMPARE(d.window.label5, QStringLiteral("1"));

    QCOMPARE(d.window.p1.circles().size(), size_t(1)); // the target stays
    QCOMPARE(d.window.p2.circles().size(), size_t(dot ? 1 : 0));
    if (dot) {
        const auto &c = d.window.p2.circles().front();
        const QPointF expected = d.at(float(dotAt.x()), float(dotAt.y()));
        QVERIFY(qAbs(c.centre.x() - expected.x()) <= qAbs(expected.x()) * 1e-6);
        QVERIFY(qAbs(c.centre.y() - expected.y()) <= qAbs(expected.y()) * 1e-6);
        QCOMPARE(c.colour, QColor(0, 0, 255));
    }
}

void QuizTest::acceptWithAnEmptyBoxDoesNothing_data()
{
    QTest::addColumn<QString>("x");
    QTest::addColumn<QString>("y");
    QTest::newRow("x only") << "3"
                            << "";
    QTest::newRow("y only") << ""
                            << "3";
    QTest::newRow("neither") << ""
                             << "";
}

void QuizTest::acceptWithAnEmptyBoxDoesNothing()
{
    QFETCH(QString, x);
    QFETCH(QString, y);
    Drill d;
    d.start(3, 3);
    d.window.t1 = x;
    d.window.t2 = y;
    const QuizState state = d.quiz.state();
    const Screen screen = d.window.screen();
    d.quiz.Command3_Click();
    d.quiz.Command3_Click();
    QCOMPARE(d.quiz.state(), state);
    QVERIFY(d.window.screen() == screen);
}

void QuizTest::secondAcceptDoesNothing()
{
    Drill d;
    d.start(3, -2);
    d.answer("3", "2");
    const Screen judged = d.window.screen();
    d.answer("3", "-2"); // corrected
    QCOMPARE(d.quiz.state().acceptCount, 2);
    QCOMPARE(d.quiz.state().mistakeCount, 1);
    Screen now = d.window.screen();
    now.t2 = judged.t2; // only the typed text differs
    QVERIFY(now == judged);
    QCOMPARE(d.window.label8, QStringLiteral("Ошибка"));
}

void QuizTest::acceptBeforeStartShowsNothing()
{
    Drill d;
    d.window.t1 = "1";
    d.window.t2 = "2";
    const Screen screen = d.window.screen();
    d.quiz.Command3_Click();
    QVERIFY(d.window.screen() == screen);
    QCOMPARE(d.quiz.state().acceptCount, 1); // counted, then reset by Start
    d.start(1, 2);
    QCOMPARE(d.quiz.state().acceptCount, 0);
    d.quiz.Command3_Click();
    QCOMPARE(d.window.label8, QStringLiteral("Верно"));
}

void QuizTest::nextAfterAnAnswer_data()
{
    QTest::addColumn<QString>("x");
    QTest::addColumn<int>("mistakes");
    QTest::newRow("right") << "4" << 0;
    QTest::newRow("wrong") << "5" << 1;
}

void QuizTest::nextAfterAnAnswer()
{
    QFETCH(QString, x);
    QFETCH(int, mistakes);
    Drill d;
    d.start(4, 4);
    d.answer(x, "4");
    d.next(-5, 6);

    QCOMPARE(d.quiz.state().questionCount, 2);
    QCOMPARE(d.quiz.state().acceptCount, 0);
    QCOMPARE(d.quiz.state().mistakeCount, mistakes);
    QCOMPARE(d.window.label7, QStringLiteral("2"));
    QCOMPARE(d.window.label5, QString::number(mistakes)); // written even when unchanged
    QCOMPARE(d.window.label8, QString());
    QCOMPARE(d.window.t1, QString());
    QCOMPARE(d.window.t2, QString());
    QVERIFY(d.window.p2.circles().empty());
    QCOMPARE(d.window.p1.circles().size(), size_t(1));
    QCOMPARE(d.window.p1.circles().front().centre, d.at(-5, 6));
    QCOMPARE(d.quiz.state().targetX, -5.0f);
    QCOMPARE(d.quiz.state().targetY, 6.0f);
    QCOMPARE(d.window.messages, 0);
}

void QuizTest::nextAfterSkippingCountsAMistake()
{
    Drill d;
    d.start(1, 1);
    d.next(2, 2);
    QCOMPARE(d.quiz.state().mistakeCount, 1);
    QCOMPARE(d.window.label5, QStringLiteral("1"));
    d.next(3, 3);
    QCOMPARE(d.quiz.state().mistakeCount, 2);
    QCOMPARE(d.window.label5, QStringLiteral("2"));
    QCOMPARE(d.window.label7, QStringLiteral("3"));
}

void QuizTest::nextWithAnUnacceptedAnswerAsksForIt_data()
{
    QTest::addColumn<QString>("x");
    QTest::addColumn<QString>("y");
    QTest::newRow("both boxes") << "1"
                                << "2";
    QTest::newRow("x only") << "1"
                            << "";
    QTest::newRow("y only") << ""
                            << "2";
    QTest::newRow("a blank") << " "
                             << "";
}

void QuizTest::nextWithAnUnacceptedAnswerAsksForIt()
{
    QFETCH(QString, x);
    QFETCH(QString, y);
    Drill d;
    d.start(1, 2);
    d.window.t1 = x;
    d.window.t2 = y;
    if (x.isEmpty() || y.isEmpty())
        d.quiz.Command3_Click(); // ignored: it leaves the answer unaccepted
    const QuizState state = d.quiz.state();
    Screen expected = d.window.screen();
    expected.messages = 1;

    d.next(5, 5);

    QCOMPARE(d.quiz.state(), state);
    QVERIFY(d.window.screen() == expected);
    QCOMPARE(d.window.lastPrompt, QStringLiteral("Подтвердите принятие введённого ответа"));
    QCOMPARE(d.window.lastTitle, QStringLiteral("Tavrilo"));
}

void QuizTest::nextAfterEditingAJudgedAnswer()
{
    Drill d;
    d.start(1, 2);
    d.answer("1", "2");
    d.window.t1 = "7";
    d.window.t2 = "";
    d.next(0, 0);
    QCOMPARE(d.window.messages, 0);
    QCOMPARE(d.quiz.state().mistakeCount, 0);
    QCOMPARE(d.window.label5, QStringLiteral("0"));
    QCOMPARE(d.window.t1, QString());
}

void QuizTest::nextBeforeStartDoesNothing()
{
    for (const QString &typed : {QString(), QStringLiteral("3")}) {
        Drill d;
        d.window.t1 = typed;
        const Screen screen = d.window.screen();
        d.next(1, 1);
        QVERIFY(d.window.screen() == screen);
        QCOMPARE(d.quiz.state(), QuizState{});
        QCOMPARE(d.window.messages, 0);
    }
}

void QuizTest::exitEndsTheProgramInAnyState()
{
    Drill notStarted;
    notStarted.quiz.Command7_Click();
    QVERIFY(notStarted.window.ended);

    Drill running;
    running.start(1, 1);
    running.window.t1 = "1";
    running.next(2, 2); // the message box, dismissed
    running.quiz.Command7_Click();
    QVERIFY(running.window.ended);
    QCOMPARE(running.window.messages, 1);
}

void QuizTest::countsGoPast32767()
{
    Drill d(QuizState{32767, 0, 1, 1, 32767});
    d.answer("0", "0");
    QCOMPARE(d.quiz.state().mistakeCount, 32768);
    QCOMPARE(d.window.label5, QStringLiteral("32768"));
    d.next(1, 1);
    QCOMPARE(d.quiz.state().questionCount, 32768);
    QCOMPARE(d.window.label7, QStringLiteral("32768"));
}

void QuizTest::countsNeverWrap()
{
    constexpr int most = std::numeric_limits<int>::max();
    Drill d(QuizState{most, most, 1, 1, most});
    d.answer("0", "0"); // already judged long ago: no second verdict
    QCOMPARE(d.quiz.state().acceptCount, most);
    QVERIFY(!d.window.label8);

    d.next(1, 1);
    QCOMPARE(d.quiz.state().questionCount, most);
    QCOMPARE(d.window.label7, QString::number(most));
    d.next(2, 2); // skipped
    QCOMPARE(d.quiz.state().mistakeCount, most);
    QCOMPARE(d.window.label5, QString::number(most));
}

QTEST_APPLESS_MAIN(QuizTest)
#include "tst_quiz.moc"
