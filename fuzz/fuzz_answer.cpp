// libFuzzer target: arbitrary bytes as the two answer texts, read as numbers and judged.
// Input: one byte of flags (bit 0: the texts are UTF-16, else UTF-8; bit 1: Russian locale, else
// English), one byte each for the target's x and y (taken modulo 15, as -7 ... 7), then the two
// texts, split at the first zero character. Any broken property aborts.
#include "conversion.h"
#include "fakewindow.h"
#include "quiz.h"

#include <QImage>
#include <QPainter>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

using namespace tavrilo;
using namespace tavrilo::testing;

namespace {

void require(bool property, const char *what, const QString &x = {}, const QString &y = {})
{
    if (property) return;
    std::fprintf(stderr, "broken: %s\n  x: %s\n  y: %s\n", what, qUtf8Printable(x.left(200)),
                 qUtf8Printable(y.left(200)));
    std::abort();
}

struct Answer {
    QString x, y;
};

Answer answerTexts(const uint8_t *data, size_t size, bool utf16)
{
    QString all;
    if (utf16) {
        std::u16string units(size / 2, u'\0');
        std::memcpy(units.data(), data, units.size() * 2);
        all = QString::fromStdU16String(units);
    } else {
        all = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    }
    const qsizetype split = all.indexOf(QChar(0));
    if (split < 0) return {all, QString()};
    return {all.left(split), all.mid(split + 1)};
}

// What every text, read in either locale, must satisfy.
void checkConversion(const QString &text, int target)
{
    static const QLocale locales[] = {QLocale(QLocale::Russian, QLocale::Russia),
                                      QLocale(QLocale::English, QLocale::UnitedStates)};
    for (const QLocale &locale : locales) {
        const auto value = textToNumber(text, locale);
        if (!value) continue;
        require(std::isfinite(*value), "a converted value is not finite", text);
        // Its shortest text reads back as the same value.
        const QString shortest = numberToText(*value);
        require(!shortest.startsWith(QLatin1Char('+')) && !shortest.contains(QLatin1Char(' ')) &&
                    shortest != QLatin1String("-0"),
                "the shortest text has a plus sign, a blank or a signed zero", text, shortest);
        const auto back = textToNumber(shortest, QLocale::c());
        require(back && *back == *value, "the shortest text does not read back", text, shortest);
        require(textMatchesNumber(shortest, *value), "a number does not match its own text", text,
                shortest);
    }
    // A text matches an integral target only when it is the target's own text.
    require(textMatchesNumber(text, float(target)) == (text == QString::number(target)),
            "a text matches a target it does not spell", text);
}

void checkVerdict(const Answer &answer, int targetX, int targetY)
{
    FakeWindow window;
    ScriptedRandom random;
    Quiz quiz(window, random);
    random.queuePoint(targetX, targetY);
    quiz.Command2_Click();
    window.t1 = answer.x;
    window.t2 = answer.y;
    quiz.Command3_Click();

    if (answer.x.isEmpty() || answer.y.isEmpty()) {
        require(!window.label8 && window.p2.circles().empty() && quiz.state().mistakeCount == 0,
                "an answer with an empty box was judged", answer.x, answer.y);
        return;
    }
    const bool right = answer.x == QString::number(targetX) && answer.y == QString::number(targetY);
    require(window.label8 == (right ? texts::right : texts::wrong), "the verdict is wrong",
            answer.x, answer.y);
    require(quiz.state().mistakeCount == (right ? 0 : 1), "the mistake count is wrong", answer.x,
            answer.y);

    const auto x = textToNumber(answer.x), y = textToNumber(answer.y);
    require(window.p2.circles().size() == (x && y ? 1u : 0u),
            "a dot for a text that is no number, or none for two numbers", answer.x, answer.y);
    // However far off, the dot paints without harm.
    QImage area(48, 48, QImage::Format_RGB32);
    QPainter painter(&area);
    window.p2.render(painter);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 3) return 0;
    const bool utf16 = data[0] & 1;
    const bool russian = data[0] & 2;
    const int targetX = data[1] % 15 - 7, targetY = data[2] % 15 - 7;
    const Answer answer = answerTexts(data + 3, size - 3, utf16);

    checkConversion(answer.x, targetX);
    checkConversion(answer.y, targetY);

    // The handlers read answers in the default locale, as the program does in the learner's.
    QLocale::setDefault(russian ? QLocale(QLocale::Russian, QLocale::Russia)
                                : QLocale(QLocale::English, QLocale::UnitedStates));
    checkVerdict(answer, targetX, targetY);
    return 0;
}
