#include "quiz.h"

#include "answer.h"

#include <cmath>
#include <limits>

namespace tavrilo {

namespace {

// Counts stop at their largest value instead of wrapping round to a negative number.
void increment(int &count)
{
    if (count < std::numeric_limits<int>::max()) ++count;
}

float targetCoordinate(float random)
{
    return std::floor(random * 15.0f) - 7.0f;
}

} // namespace

Quiz::Quiz(QuizWindow &window, RandomSource &random, QuizState initial)
    : window_(window)
    , random_(random)
    , state_(initial)
{}

void Quiz::newTargetPoint()
{
    state_.targetX = targetCoordinate(random_.next());
    state_.targetY = targetCoordinate(random_.next());
    window_.targetPlane().circle(state_.targetX, state_.targetY, dotRadius, targetColour);
}

void Quiz::start()
{
    if (state_.questionCount != 0) return;
    Canvas *const planes[] = {&window_.targetPlane(), &window_.answerPlane()};
    for (Canvas *plane : planes)
        plane->setUserScale(-8, 8, 8, -8);
    random_.seedFromClock();
    for (Canvas *plane : planes)
        plane->setPenWidth(4);
    state_.questionCount = 1;
    state_.acceptCount = 0;
    window_.showQuestionCount(state_.questionCount);
    newTargetPoint();
}

void Quiz::acceptAnswer(const QString &x, const QString &y)
{
    if (x.isEmpty() || y.isEmpty()) return;
    increment(state_.acceptCount);
    if (state_.acceptCount > 1) return;
    if (state_.questionCount == 0) return;

    // Answers are read in the user's locale. One that is no number there gets no dot, but is still
    // judged.
    const auto dotX = readAnswer(x);
    const auto dotY = readAnswer(y);
    if (dotX && dotY) window_.answerPlane().circle(*dotX, *dotY, dotRadius, answerColour);

    if (!isRightAnswer(x, state_.targetX) || !isRightAnswer(y, state_.targetY)) {
        increment(state_.mistakeCount);
        window_.showVerdict(texts::wrong);
        window_.showMistakeCount(state_.mistakeCount);
    } else {
        window_.showVerdict(texts::right);
    }
}

void Quiz::nextPoint(const QString &x, const QString &y)
{
    if (state_.questionCount == 0) return;
    const bool typed = !x.isEmpty() || !y.isEmpty();
    if (typed && state_.acceptCount == 0) {
        window_.askToAcceptFirst();
        return;
    }
    if (state_.acceptCount == 0) increment(state_.mistakeCount);
    state_.acceptCount = 0;
    increment(state_.questionCount);
    window_.clearAnswer();
    window_.targetPlane().clear();
    window_.answerPlane().clear();
    newTargetPoint();
    window_.showMistakeCount(state_.mistakeCount);
    window_.showQuestionCount(state_.questionCount);
}

} // namespace tavrilo
