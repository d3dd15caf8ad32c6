// The drill's rules, against a fake window: no screen needed. How an answer is read and judged,
// then the quiz's actions.
#include "answer.h"
#include "fakewindow.h"
#include "quiz.h"

#include <QLocale>
#include <QtTest>

using namespace tavrilo;
using namespace tavrilo::testing;
using namespace Qt::StringLiterals;

namespace {

struct Drill {
    // Plays steps separated by "; ": "start X Y" and "next X Y" (X, Y: the point the random values
    // give), "x TEXT" and "y TEXT" (typed into a box; no text empties it), "accept";
    // "locale NAME" sets the learner's locale, and a first step "state Q A M" starts the quiz with
    // those counts of questions, accepts and mistakes.
    void play(const QString &script)
    {
        for (QStringView step : QStringView(script).split(u"; ")) {
            // The command, then one blank, then the text, blanks and all.
            const qsizetype end = step.indexOf(u' ');
            const QString command = step.left(end).toString();
            const QString text = end < 0 ? QString() : step.mid(end + 1).toString();
            const QStringList n = text.split(u' ');
            if (command == "state")
                quiz.emplace(window, random,
                             QuizState{n[0].toInt(), n[1].toInt(), 0, 0, n[2].toInt()});
            if (!quiz) quiz.emplace(window, random);
            if ((command == "start" || command == "next") && n.size() == 2)
                random.queuePoint(n[0].toInt(), n[1].toInt());
            if (command == "start") quiz->start();
            if (command == "next") quiz->nextPoint(window.x, window.y);
            if (command == "accept") quiz->acceptAnswer(window.x, window.y);
            if (command == "x") window.x = text;
            if (command == "y") window.y = text;
            if (command == "locale") QLocale::setDefault(QLocale(text));
        }
    }

    // "targetX targetY|questions accepts mistakes|mistake count|question count|verdict|x|y|dots on
    // the target plane|dots on the answer plane|times asked to accept first", "-" for what was
    // never shown.
    QString summary() const
    {
        const QuizState &s = quiz->state();
        QString text = QString::asprintf("%g %g|%d %d %d", s.targetX, s.targetY, s.questionCount,
                                         s.acceptCount, s.mistakeCount);
        for (const auto &count : {window.mistakeCount, window.questionCount})
            text += u'|' + (count ? QString::number(*count) : u"-"_s);
        text += u'|' + window.verdict.value_or(u"-"_s) + u'|' + window.x + u'|' + window.y;
        for (const FakePlane *plane : {&window.target, &window.answer}) {
            text += u'|';
            for (const auto &d : plane->dots)
                text += u"%1,%2"_s.arg(d.x).arg(d.y);
        }
        return text + u'|' + QString::number(window.asked);
    }

    FakeWindow window;
    ScriptedRandom random;
    std::optional<Quiz> quiz;
};

} // namespace

class QuizTest : public QObject {
    Q_OBJECT

private slots:
    void init() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void answersAreReadInTheLocalesSyntax()
    {
        for (const auto &[locale, point, other] :
             {std::tuple{"ru_RU", ",", "."}, {"en_US", ".", ","}, {"de_DE", ",", "."}}) {
            QStringList read;
            for (const QString &text :
                 QStringList{"3", "+3", "03", "-7", "1e30", QString("2") + point + "5",
                             QString("2") + other + "5", "", "abc", "-", "1e39", "1e999", "nan",
                             "inf", "-inf"}) {
                const auto value = readAnswer(text, QLocale(locale));
                read << (value ? QString::number(*value) : QStringLiteral("no"));
            }
            QCOMPARE(read.join(u' '),
                     QStringLiteral("3 3 3 -7 1e+30 2.5 no no no no no no no no no"));
        }
    }

    void answerIsRightOnlyAsTheCoordinatesOwnText()
    {
        for (int i = -7; i <= 7; ++i)
            QVERIFY(isRightAnswer(QString::number(i), float(i)));
        QVERIFY(isRightAnswer("0", -0.0f)); // no sign shown on a zero
        // Nor any other text of them: signed, padded, decimal, with the Unicode minus, "-0".
        for (const char *text : {"+3", "03", " 3", "3 ", "3.0", "3,0"})
            QVERIFY2(!isRightAnswer(text, 3), text);
        QVERIFY(!isRightAnswer(QStringLiteral("\u22123"), -3) && !isRightAnswer("-0", 0));
    }

    void startSetsUpThePlanes()
    {
        // The scale -8 ... 8 with y up and a 4-px pen on both; dots of radius 0.1, red for the
        // point and blue for the answer (0x00BBGGRR). Each Start reseeds from the clock.
        Drill d;
        d.play("start 3 -2; x 1; y 1; accept");
        QCOMPARE(d.random.seeds, 1);
        for (const FakePlane *plane : {&d.window.target, &d.window.answer}) {
            QCOMPARE(plane->scale, (std::array{-8, 8, 8, -8}));
            QCOMPARE(plane->pen, 4);
            QCOMPARE(plane->dots.front().radius, 0.1f);
        }
        QCOMPARE(d.window.target.dots.front().colour, 0x0000FFu);
        QCOMPARE(d.window.answer.dots.front().colour, 0xFF0000u);
    }

    void targetsSpanMinusSevenToSeven()
    {
        // Fifteen whole targets from the random values of [0, 1), up to the last below 1.
        for (const auto &[random, target] : {std::pair{0.0f, -7},
                                             {std::nextafter(1.0f / 15, 0.0f), -7},
                                             {0.5f, 0},
                                             {std::nextafter(1.0f, 0.0f), 7}}) {
            Drill d;
            d.random.values = {random, random};
            d.play("start");
            QCOMPARE(d.summary().section(u'|', 0, 0), u"%1 %1"_s.arg(target));
        }
    }

    void stepsInAnyOrder_data()
    {
        // Steps => the state and the window after them: target x y|counts of questions, accepts and
        // mistakes|the mistake count, the question count and the verdict shown ("-" while never
        // shown)|x|y|the target plane's dots|the answer plane's dots|times asked to accept first.
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("summary");
        const QString table = QStringLiteral(R"(
# Start
start 3 -2 => 3 -2|1 0 0|-|1|-|||3,-2||0
start 3 -2; x 5; y 5; accept; start 1 1 => 3 -2|1 1 1|1|1|Ошибка|5|5|3,-2|5,5|0
x 12; y a; start 0 0 => 0 0|1 0 0|-|1|-|12|a|0,0||0
# Accept answer: judged by its text, drawn where its value says in the learner's locale
start 3 -2; x 3; y -2; accept => 3 -2|1 1 0|-|1|Верно|3|-2|3,-2|3,-2|0
start 3 -2; x 3; y 2; accept => 3 -2|1 1 1|1|1|Ошибка|3|2|3,-2|3,2|0
start 3 -2; x +3; y -2; accept => 3 -2|1 1 1|1|1|Ошибка|+3|-2|3,-2|3,-2|0
locale ru_RU; start 3 -2; x 2,5; y -2; accept => 3 -2|1 1 1|1|1|Ошибка|2,5|-2|3,-2|2.5,-2|0
start 3 -2; x three; y -2; accept => 3 -2|1 1 1|1|1|Ошибка|three|-2|3,-2||0
start 3 -2; x 3; y -; accept => 3 -2|1 1 1|1|1|Ошибка|3|-|3,-2||0
start 3 -2; x 1e30; y -1e30; accept => 3 -2|1 1 1|1|1|Ошибка|1e30|-1e30|3,-2|1e+30,-1e+30|0
start 3 3; x 3; accept; accept => 3 3|1 0 0|-|1|-|3||3,3||0
start 3 3; y 3; accept => 3 3|1 0 0|-|1|-||3|3,3||0
start 3 -2; x 3; y 2; accept; y -2; accept => 3 -2|1 2 1|1|1|Ошибка|3|-2|3,-2|3,2|0
x 1; y 2; accept => 0 0|0 1 0|-|-|-|1|2|||0
x 1; y 2; accept; start 1 2; accept => 1 2|1 1 0|-|1|Верно|1|2|1,2|1,2|0
# Another point
start 4 4; x 4; y 4; accept; next -5 6 => -5 6|2 0 0|0|2||||-5,6||0
start 4 4; x 5; y 4; accept; next -5 6 => -5 6|2 0 1|1|2||||-5,6||0
start 1 1; next 2 2; next 3 3 => 3 3|3 0 2|2|3||||3,3||0
start 1 2; x 1; y 2; next 5 5 => 1 2|1 0 0|-|1|-|1|2|1,2||1
start 1 2; x 1; accept; next 5 5 => 1 2|1 0 0|-|1|-|1||1,2||1
start 1 2; x  ; next 5 5 => 1 2|1 0 0|-|1|-| ||1,2||1
start 1 2; x 1; y 2; accept; x 7; y; next 0 0 => 0 0|2 0 0|0|2||||0,0||0
x 3; next 1 1 => 0 0|0 0 0|-|-|-|3||||0
# The counts go on past 32767
state 32767 0 32767; x 5; y 5; accept; next 1 1 => 1 1|32768 0 32768|32768|32768||||1,1||0
)");
        for (const QString &row : table.split(u'\n', Qt::SkipEmptyParts)) {
            const QString script = row.section(u" => "_s, 0, 0).trimmed();
            if (!row.startsWith(u'#'))
                QTest::newRow(qPrintable(script)) << script << row.section(u" => "_s, 1);
        }
        // At the end of their range the counts stay put instead of turning negative; judged long
        // ago, the point gets no verdict.
        QTest::newRow("counts at their end")
            << u"state 2147483647 2147483647 2147483647; x 5; y 5; accept; next 1 1; next 2 2"_s
            << u"2 2|2147483647 0 2147483647|2147483647|2147483647||||2,2||0"_s;
    }
    void stepsInAnyOrder()
    {
        QFETCH(QString, script);
        QFETCH(QString, summary);
        Drill d;
        d.play(script);
        QCOMPARE(d.summary(), summary);
    }
};

QTEST_APPLESS_MAIN(QuizTest)
#include "tst_quiz.moc"
