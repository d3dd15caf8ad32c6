#pragma once

// The window and the random source as the quiz sees them, for tests without a screen.
#include "quizwindow.h"
#include "random.h"

#include <QString>
#include <array>
#include <deque>
#include <optional>
#include <vector>

namespace tavrilo::testing {

// A plane that keeps what the quiz draws on it in the quiz's own units.
struct FakePlane : Canvas {
    struct Dot {
        float x, y, radius;
        Bgr colour;
    };
    void setUserScale(int l, int t, int r, int b) override { scale = {l, t, r, b}; }
    void setPenWidth(int width) override { pen = width; }
    void clear() override { dots.clear(); }
    void circle(float x, float y, float r, Bgr c) override { dots.push_back({x, y, r, c}); }

    std::array<int, 4> scale{};
    int pen = 0;
    std::vector<Dot> dots;
};

// The window: what the learner has typed, and what the quiz has shown.
struct FakeWindow : QuizWindow {
    Canvas &targetPlane() override { return target; }
    Canvas &answerPlane() override { return answer; }
    void showQuestionCount(int count) override { questionCount = count; }
    void showMistakeCount(int count) override { mistakeCount = count; }
    void showVerdict(const QString &text) override { verdict = text; }
    void clearAnswer() override { x.clear(), y.clear(), verdict = QString(); }
    void askToAcceptFirst() override { ++asked; }

    QString x, y;
    // Nothing shown yet is not the same as shown empty.
    std::optional<int> questionCount, mistakeCount;
    std::optional<QString> verdict;
    FakePlane target, answer;
    int asked = 0;
};

// Hands out the values it is given, in order; 0.5 (the value that makes 0) once they run out.
struct ScriptedRandom : RandomSource {
    void seedFromClock() override { ++seeds; }
    float next() override
    {
        const float v = values.empty() ? 0.5f : values.front();
        if (!values.empty()) values.pop_front();
        return v;
    }
    // The values whose target is the point (x, y) of -7 ... 7.
    void queuePoint(int x, int y)
    {
        values.insert(values.end(), {(x + 7.5f) / 15, (y + 7.5f) / 15});
    }

    std::deque<float> values;
    int seeds = 0;
};

} // namespace tavrilo::testing
