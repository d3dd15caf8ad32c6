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

void Quiz::NewTargetPoint()
{
    state_.targetX = targetCoordinate(random_.next());
    state_.targetY = targetCoordinate(random_.next());
    window_.plane(Plane::p1).circle(state_.targetX, state_.targetY, dotRadius, targetColour);
}

void Quiz::Command2_Click()
{
    if (state_.questionCount != 0) return;
    for (Plane p : {Plane::p1, Plane::p2})
        window_.plane(p).setUserScale(-8, 8, 8, -8);
    random_.seedFromClock();
    for (Plane p : {Plane::p1, Plane::p2})
        window_.plane(p).setPenWidth(4);
    state_.questionCount = 1;
    state_.acceptCount = 0;
    window_.setCaption(Caption::Label7, QString::number(state_.questionCount));
    NewTargetPoint();
}

void Quiz::Command3_Click()
{
    const QString x = window_.text(TextBox::t1);
    const QString y = window_.text(TextBox::t2);
    if (x.isEmpty() || y.isEmpty()) return;
    increment(state_.acceptCount);
    if (state_.acceptCount > 1) return;
    if (state_.questionCount == 0) return;

    // Answers are read in the user's locale. One that is no number there gets no dot, but is still
    // judged.
    const auto dotX = readAnswer(x);
    const auto dotY = readAnswer(y);
    if (dotX && dotY) window_.plane(Plane::p2).circle(*dotX, *dotY, dotRadius, answerColour);

    if (!isRightAnswer(x, state_.targetX) || !isRightAnswer(y, state_.targetY)) {
        increment(state_.mistakeCount);
        window_.setCaption(Caption::Label8, texts::wrong);
        window_.setCaption(Caption::Label5, QString::number(state_.mistakeCount));
    } else {
        window_.setCaption(Caption::Label8, texts::right);
    }
}

void Quiz::Command5_Click()
{
    if (state_.questionCount == 0) return;
    const bool typed = !window_.text(TextBox::t1).isEmpty() || !window_.text(TextBox::t2).isEmpty();
    if (typed && state_.acceptCount == 0) {
        window_.showMessage(texts::acceptFirst, texts::title);
        return;
    }
    if (state_.acceptCount == 0) increment(state_.mistakeCount);
    state_.acceptCount = 0;
    increment(state_.questionCount);
    window_.setText(TextBox::t1, QString());
    window_.setText(TextBox::t2, QString());
    window_.setCaption(Caption::Label8, QString());
    window_.plane(Plane::p1).clear();
    window_.plane(Plane::p2).clear();
    NewTargetPoint();
    window_.setCaption(Caption::Label5, QString::number(state_.mistakeCount));
    window_.setCaption(Caption::Label7, QString::number(state_.questionCount));
}

void Quiz::Command7_Click()
{
    window_.endProgram();
}

} // namespace tavrilo
