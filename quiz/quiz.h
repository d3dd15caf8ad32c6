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

namespace texts {
inline const QString title = QStringLiteral("Tavrilo");
inline const QString right = QStringLiteral("Верно");
inline const QString wrong = QStringLiteral("Ошибка");
inline const QString acceptFirst = QStringLiteral("Подтвердите принятие введённого ответа");
} // namespace texts

// The four button handlers of the window, over its state.
class Quiz {
public:
    static constexpr float dotRadius = 0.1f;
    static constexpr Bgr targetColour = 0x000000FF;
    static constexpr Bgr answerColour = 0x00FF0000;

    Quiz(QuizWindow &window, RandomSource &random, QuizState initial = {});

    void Command2_Click(); // Start
    void Command3_Click(); // Accept answer
    void Command5_Click(); // Another point
    void Command7_Click(); // Exit

    const QuizState &state() const { return state_; }

private:
    void NewTargetPoint();

    QuizWindow &window_;
    RandomSource &random_;
    QuizState state_;
};

} // namespace tavrilo
