#pragma once

// The window and the random source as the quiz's handlers see them, for tests without a screen.
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

struct FakeWindow : QuizWindow {
    QString text(TextBox box) const override { return box == TextBox::t1 ? t1 : t2; }
    void setText(TextBox box, const QString &s) override { (box == TextBox::t1 ? t1 : t2) = s; }
    void setCaption(Caption label, const QString &text) override
    {
        (label == Caption::Label5 ? label5 : label == Caption::Label7 ? label7 : label8) = text;
    }
    Canvas &plane(Plane plane) override { return plane == Plane::p1 ? p1 : p2; }
    void showMessage(const QString &, const QString &) override { ++messages; }
    void endProgram() override { ended = true; }

    QString t1, t2;
    // A caption nobody has written yet is empty here, which is not the same as written empty.
    std::optional<QString> label5, label7, label8;
    FakePlane p1, p2;
    int messages = 0;
    bool ended = false;
};

// Hands out the values it is given, in order; 0.5 (the value that makes 0) once they run out.
struct ScriptedRandom : RandomSource {
    void seedFromClock() override { ++seeds; }
    float next() override
    {
        if (values.empty()) return 0.5f;
        const float v = values.front();
        values.pop_front();
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
