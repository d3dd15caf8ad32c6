// Endurance: thousands of random point cycles with hostile answers, through the handlers against
// the fake window and, fewer, through the real widgets. The drill's invariants hold after every
// step. The run is seeded and prints its seed; TAVRILO_SOAK_SEED replays another one.
#include "application.h"
#include "conversion.h"
#include "fakewindow.h"
#include "form1.h"
#include "formdriver.h"
#include "quiz.h"

#include <QLabel>
#include <QLineEdit>
#include <QRandomGenerator>
#include <QtTest>

using namespace tavrilo;
using namespace tavrilo::testing;

namespace {

quint32 soakSeed()
{
    bool ok = false;
    const quint32 seed = qEnvironmentVariable("TAVRILO_SOAK_SEED").toUInt(&ok);
    return ok ? seed : 20240917u;
}

// What a learner, or a cat on the keyboard, could type for a target coordinate.
QString randomAnswer(QRandomGenerator &random, int target, const QLocale &locale)
{
    const auto pick = [&](std::initializer_list<const char *> texts) {
        return QString::fromUtf8(texts.begin()[random.bounded(int(texts.size()))]);
    };
    switch (random.bounded(16)) {
    case 0:
    case 1:
    case 2: return QString::number(target);
    case 3: return QString::number(random.bounded(-7, 8));
    case 4: return QString();
    case 5: return pick({"x", "abc", "три", "три,5", "3a", "--3", "3-", "1,2,3", "٣", "½"});
    case 6:
        return pick({"1e30", "-1e30", "1e999", "-1e999", "1e-999", "3.4028235e38", "3.5e38",
                     "340282350000000000000000000000000000000", "inf", "nan", "∞"});
    case 7: { // thousands of characters
        const int length = random.bounded(1000, 5000);
        return random.bounded(2) ? QString(length, QLatin1Char('7'))
                                 : QString::number(target) + QString(length, QLatin1Char(' '));
    }
    case 8: return pick({"-0", "+0", "0.0", "-0,0", "00"});
    case 9: return QLatin1Char('+') + QString::number(target);
    case 10: return locale.toString(double(target), 'f', 1 + random.bounded(3));
    case 11: return QString::number(target) + pick({".", ",", ".0", ",0", "e0", "E+00"});
    case 12: return pick({"0", "-"}) + QString::number(std::abs(target));
    case 13: return pick({" ", "\t", ""}) + QString::number(target) + pick({" ", ""});
    case 14: return QString::number(random.bounded(8, 100000) * (random.bounded(2) ? 1 : -1));
    default: return locale.toString(target + random.bounded(1.0) - 0.5, 'g', 6);
    }
}

// The fake window, counting the verdicts written since the point began.
class CountingWindow : public FakeWindow {
public:
    void setCaption(Caption label, const QString &text) override
    {
        if (label == Caption::Label8 && !text.isEmpty()) ++verdicts;
        FakeWindow::setCaption(label, text);
    }
    int verdicts = 0;
};

// Targets from the soak's seed, so that a run can be replayed; Start's reseeding is left out.
class SeededRandom : public RandomSource {
public:
    explicit SeededRandom(quint32 seed)
        : generator_(seed)
    {}
    void seedFromClock() override {}
    float next() override { return ClockRandom::fromBits(generator_.generate()); }

private:
    QRandomGenerator generator_;
};

void verifyCountsNeverFall(const QuizState &before, const QuizState &now)
{
    QVERIFY2(now.questionCount >= before.questionCount, "the question count went down");
    QVERIFY2(now.mistakeCount >= before.mistakeCount, "the mistake count went down");
}

void verifyTargetDot(const std::vector<PlaneDrawing::Circle> &p1, const PlaneDrawing &plane,
                     const QuizState &state)
{
    QCOMPARE(p1.size(), size_t(1));
    QCOMPARE(p1.front().colour, QColor(255, 0, 0));
    QCOMPARE(p1.front().centre, plane.toPixels(state.targetX, state.targetY));
}

bool isRightAnswer(const QString &x, const QString &y, const QuizState &state)
{
    return x == QString::number(int(state.targetX)) && y == QString::number(int(state.targetY));
}

} // namespace

class SoakTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void handlersKeepTheRules_data();
    void handlersKeepTheRules();
    void widgetsKeepTheRules();
};

void SoakTest::initTestCase()
{
    qInfo("soak seed %u (set TAVRILO_SOAK_SEED to replay another)", soakSeed());
    setUpApplication();
}

void SoakTest::handlersKeepTheRules_data()
{
    QTest::addColumn<QString>("locale");
    QTest::newRow("ru_RU") << QStringLiteral("ru_RU");
    QTest::newRow("en_US") << QStringLiteral("en_US");
    QTest::newRow("de_DE") << QStringLiteral("de_DE");
}

void SoakTest::handlersKeepTheRules()
{
    QFETCH(QString, locale);
    const QLocale previous;
    QLocale::setDefault(QLocale(locale));
    const auto restore = qScopeGuard([&] { QLocale::setDefault(previous); });

    QRandomGenerator random(soakSeed());
    CountingWindow window;
    SeededRandom targets(soakSeed());
    Quiz quiz(window, targets);
    quiz.Command2_Click();
    QCOMPARE(quiz.state().questionCount, 1);
    verifyTargetDot(window.p1.circles(), window.p1, quiz.state());

    int points = 1, judged = 0, skipped = 0;
    while (points < 3000) {
        const QuizState before = quiz.state();
        const Screen seen = window.screen();
        const int verdictsBefore = window.verdicts;
        const int roll = random.bounded(10);
        if (roll < 4) { // typing into one box or both
            if (roll != 1) window.t1 = randomAnswer(random, int(before.targetX), QLocale());
            if (roll != 2) window.t2 = randomAnswer(random, int(before.targetY), QLocale());
        } else if (roll < 7) {
            quiz.Command3_Click();
            const bool judgedNow = window.verdicts > verdictsBefore;
            const bool answered = !seen.t1.isEmpty() && !seen.t2.isEmpty();
            QVERIFY2(!judgedNow || (answered && verdictsBefore == 0),
                     "a verdict without an answer, or a second one for the point");
            if (judgedNow) {
                ++judged;
                const bool right = isRightAnswer(window.t1, window.t2, before);
                QCOMPARE(*window.label8, right ? texts::right : texts::wrong);
                QCOMPARE(quiz.state().mistakeCount, before.mistakeCount + (right ? 0 : 1));
                if (right)
                    QCOMPARE(window.label5, seen.label5);
                else
                    QCOMPARE(*window.label5, QString::number(quiz.state().mistakeCount));

                // A blue dot where the answer says, only when both texts are numbers here.
                const auto x = textToNumber(window.t1), y = textToNumber(window.t2);
                QCOMPARE(window.p2.circles().size(), size_t(x && y ? 1 : 0));
                if (x && y) {
                    QCOMPARE(window.p2.circles().front().colour, QColor(0, 0, 255));
                    QCOMPARE(window.p2.circles().front().centre, window.p2.toPixels(*x, *y));
                }
            } else {
                QCOMPARE(quiz.state().mistakeCount, before.mistakeCount);
                QCOMPARE(quiz.state().questionCount, before.questionCount);
                QVERIFY(window.screen() == seen);
            }
        } else if (roll < 9) {
            quiz.Command5_Click();
            const bool typed = !seen.t1.isEmpty() || !seen.t2.isEmpty();
            if (typed && verdictsBefore == 0) { // asked to accept first, and nothing else
                QCOMPARE(window.messages, seen.messages + 1);
                QCOMPARE(window.lastPrompt, texts::acceptFirst);
                QCOMPARE(quiz.state(), before);
                Screen expected = seen;
                expected.messages += 1;
                QVERIFY(window.screen() == expected);
            } else {
                ++points;
                if (verdictsBefore == 0) ++skipped;
                QCOMPARE(quiz.state().questionCount, before.questionCount + 1);
                QCOMPARE(quiz.state().mistakeCount,
                         before.mistakeCount + (verdictsBefore == 0 ? 1 : 0));
                QCOMPARE(*window.label5, QString::number(quiz.state().mistakeCount));
                QCOMPARE(*window.label7, QString::number(quiz.state().questionCount));
                QCOMPARE(*window.label8, QString());
                QVERIFY(window.t1.isEmpty() && window.t2.isEmpty());
                QVERIFY(window.p2.circles().empty());
                window.verdicts = 0;
            }
        } else { // Start again: changes nothing
            quiz.Command2_Click();
            QCOMPARE(quiz.state(), before);
            QVERIFY(window.screen() == seen);
        }
        verifyTargetDot(window.p1.circles(), window.p1, quiz.state());
        QVERIFY(window.p2.circles().size() <= 1);
        QVERIFY(!window.ended);
        verifyCountsNeverFall(before, quiz.state());
        if (QTest::currentTestFailed()) return;
    }
    qInfo("%d points: %d judged, %d skipped, %d mistakes", points, judged, skipped,
          quiz.state().mistakeCount);
    // The random walk went through every kind of point.
    QVERIFY(judged > 300 && skipped > 300);
}

void SoakTest::widgetsKeepTheRules()
{
    // The window draws its own targets from the clock; the answers' kinds follow the seed.
    QRandomGenerator random(soakSeed() + 1);
    Form1 form;
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    auto *t1 = control<QLineEdit>(form, "t1");
    auto *t2 = control<QLineEdit>(form, "t2");
    auto *p1 = control<PlaneBox>(form, "p1");
    auto *p2 = control<PlaneBox>(form, "p2");
    const auto caption = [&](const char *name) { return control<QLabel>(form, name)->text(); };
    // Short answers are typed key by key (ASCII only, as QTest types), the others pasted.
    const auto enter = [&](QLineEdit *box, const QString &text) {
        box->clear();
        bool ascii = text.size() < 40;
        for (const QChar c : text)
            ascii = ascii && c.unicode() > 32 && c.unicode() < 127;
        if (ascii)
            QTest::keyClicks(box, text);
        else
            box->setText(text);
        QCOMPARE(box->text(), text);
    };

    click(form, "Command2");
    for (int point = 1; point <= 300; ++point) {
        const QuizState before = form.quiz().state();
        const int roll = random.bounded(4);
        if (roll > 0) { // an answer, one box or both; a point left blank otherwise
            if (roll != 1) enter(t1, randomAnswer(random, int(before.targetX), QLocale()));
            if (roll != 2) enter(t2, randomAnswer(random, int(before.targetY), QLocale()));
        }
        const QString x = t1->text(), y = t2->text();
        const bool answered = !x.isEmpty() && !y.isEmpty();
        // Something typed but not accepted would stop Another point at a question: accept, or
        // take it back.
        if (answered || random.bounded(2)) {
            click(form, "Command3");
            click(form, "Command3"); // a second Accept for the same point does nothing
        }
        if (!answered) {
            t1->clear();
            t2->clear();
        }
        const QuizState accepted = form.quiz().state();
        if (answered) {
            const bool right = isRightAnswer(x, y, before);
            QCOMPARE(caption("Label8"), right ? texts::right : texts::wrong);
            QCOMPARE(accepted.mistakeCount, before.mistakeCount + (right ? 0 : 1));
            const auto dx = textToNumber(x), dy = textToNumber(y);
            QCOMPARE(p2->drawing().circles().size(), size_t(dx && dy ? 1 : 0));
        } else {
            QCOMPARE(caption("Label8"), QString());
            QCOMPARE(accepted.mistakeCount, before.mistakeCount);
            QVERIFY(p2->drawing().circles().empty());
        }
        verifyCountsNeverFall(before, accepted);
        if (QTest::currentTestFailed()) return;

        click(form, "Command5");
        const QuizState next = form.quiz().state();
        QCOMPARE(next.questionCount, before.questionCount + 1);
        QCOMPARE(next.mistakeCount, accepted.mistakeCount + (answered ? 0 : 1));
        QCOMPARE(caption("Label5"), QString::number(next.mistakeCount));
        QCOMPARE(caption("Label7"), QString::number(next.questionCount));
        QCOMPARE(caption("Label8"), QString());
        QVERIFY(t1->text().isEmpty() && t2->text().isEmpty());
        QVERIFY(p2->drawing().circles().empty());
        verifyTargetDot(p1->drawing().circles(), p1->drawing(), next);
        verifyCountsNeverFall(accepted, next);
        // Now and then, the pixels too: the red dot on its crossing, nothing blue.
        if (point % 50 == 0) {
            verifyDotOnCrossing(form, "p1", isRed, targetX(form), targetY(form));
            QVERIFY(!findBlob(drawingArea(form, "p2"), isBlue));
        }
        if (QTest::currentTestFailed()) return;
    }
}

QTEST_MAIN(SoakTest)
#include "tst_soak.moc"
