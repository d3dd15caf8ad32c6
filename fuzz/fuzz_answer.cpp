// libFuzzer target: arbitrary bytes as the two answer texts, read as numbers and judged.
// Input: one byte of flags (bit 0: the texts are UTF-16, else UTF-8; bit 1: Russian locale, else
// English), one byte each for the target's x and y (taken modulo 15, as -7 ... 7), then the two
// texts, split at the first zero character. Any broken property aborts.
#include "answer.h"
#include "fakewindow.h"
#include "planedrawing.h"
#include "quiz.h"

#include <QPainter>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

using namespace tavrilo;
using namespace tavrilo::testing;

namespace {

void require(bool property, const char *what, const QString &x, const QString &y = {})
{
    if (property) return;
    std::fprintf(stderr, "broken: %s\n  x: %s\n  y: %s\n", what, qUtf8Printable(x.left(200)),
                 qUtf8Printable(y.left(200)));
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 3) return 0;
    // The quiz reads answers in the default locale, as the program does in the learner's.
    QLocale::setDefault(data[0] & 2 ? QLocale(QLocale::Russian, QLocale::Russia)
                                    : QLocale(QLocale::English, QLocale::UnitedStates));
    std::u16string units((size - 3) / 2, u'\0');
    std::memcpy(units.data(), data + 3, units.size() * 2);
    const QString all = data[0] & 1 ? QString::fromStdU16String(units)
                                    : QString::fromUtf8(reinterpret_cast<const char *>(data + 3),
                                                        qsizetype(size - 3));
    const qsizetype split = all.indexOf(QChar(0));
    const QString x = all.left(split), y = split < 0 ? QString() : all.mid(split + 1);
    const int targetX = data[1] % 15 - 7, targetY = data[2] % 15 - 7;

    // A number is finite, and its shortest text (no plus sign, blank or signed zero) reads back as
    // it and matches it; a text matches an integral target only when it is the target's own text.
    for (const auto &[text, target] : {std::pair{x, targetX}, {y, targetY}}) {
        if (const auto value = readAnswer(text)) {
            const QString shortest = rightAnswer(*value);
            require(std::isfinite(*value) && !shortest.startsWith(u'+') &&
                        !shortest.contains(u' ') && shortest != u"-0" &&
                        readAnswer(shortest, QLocale::c()) == value &&
                        isRightAnswer(shortest, *value),
                    "a number is not finite, or its shortest text is not", text, shortest);
        }
        require(isRightAnswer(text, float(target)) == (text == QString::number(target)),
                "a text matches a target it does not spell", text);
    }

    FakeWindow window;
    ScriptedRandom random;
    Quiz quiz(window, random);
    random.queuePoint(targetX, targetY);
    quiz.start();
    quiz.acceptAnswer(x, y);
    const bool judged = !x.isEmpty() && !y.isEmpty();
    const bool right = x == QString::number(targetX) && y == QString::number(targetY);
    require(window.verdict ==
                    (judged ? std::optional(right ? texts::right : texts::wrong) : std::nullopt) &&
                quiz.state().mistakeCount == int(judged && !right),
            "the verdict or the mistake count is wrong", x, y);
    require(window.answer.dots.size() == size_t(judged && readAnswer(x) && readAnswer(y)),
            "a dot for a text that is no number, or none for two numbers", x, y);
    // However far off, the dot paints without harm.
    PlaneDrawing plane(QSizeF(285, 285));
    plane.setUserScale(-8, 8, 8, -8);
    plane.setPenWidth(4);
    for (const FakePlane::Dot &dot : window.answer.dots)
        plane.circle(dot.x, dot.y, dot.radius, dot.colour);
    QImage area(48, 48, QImage::Format_RGB32);
    QPainter painter(&area);
    plane.render(painter);
    return 0;
}
