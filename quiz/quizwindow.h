#pragma once

#include "canvas.h"

#include <QString>

namespace tavrilo {

// What follows in the window from the learner's actions, as the quiz tells it. The window hands
// the quiz what the learner typed; the quiz never reads the window.
class QuizWindow {
public:
    virtual ~QuizWindow() = default;

    // The plane that shows the point to read, and the one that shows the accepted answer.
    virtual Canvas &targetPlane() = 0;
    virtual Canvas &answerPlane() = 0;

    // The count of points set: a new count is a new point.
    virtual void showQuestionCount(int count) = 0;
    virtual void showMistakeCount(int count) = 0;
    virtual void showVerdict(const QString &verdict) = 0;
    // Empties the answer boxes and takes the verdict away, for a new point.
    virtual void clearAnswer() = 0;
    // The learner typed an answer and asked for another point without accepting it.
    virtual void askToAcceptFirst() = 0;
};

} // namespace tavrilo
