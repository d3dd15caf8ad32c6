#pragma once

#include "quizwindow.h"
#include "random.h"

namespace tavrilo {

// The whole state of the drill. A questionCount of 0 means the drill has not started.
struct QuizState {
    int questionCount = 0;
    int acceptCount = 0;
    float targetX = 0;
    float targetY = 0;
    int mistakeCount = 0;

    friend bool operator==(const QuizState &, const QuizState &) = default;
};

// The verdicts.
namespace texts {
inline const QString right = QStringLiteral("Верно");
inline const QString wrong = QStringLiteral("Ошибка");
} // namespace texts

// The drill's actions over its state: Start, Accept answer and Another point, the last two handed
// the answer as the learner has typed it (x and y).
class Quiz {
public:
    static constexpr float dotRadius = 0.1f;
    static constexpr Bgr targetColour = 0x000000FF;
    static constexpr Bgr answerColour = 0x00FF0000;

    Quiz(QuizWindow &window, RandomSource &random, QuizState initial = {});

    void start();
    void acceptAnswer(const QString &x, const QString &y);
    void nextPoint(const QString &x, const QString &y);

    const QuizState &state() const { return state_; }

private:
    void newTargetPoint();

    QuizWindow &window_;
    RandomSource &random_;
    QuizState state_;
};

} // namespace tavrilo
