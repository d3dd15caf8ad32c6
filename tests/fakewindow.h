#pragma once

#include "planedrawing.h"
#include "quizwindow.h"
#include "random.h"

#include <QString>
#include <deque>
#include <optional>

namespace tavrilo::testing {

// Everything a learner could see of the window, for before/after comparisons.
struct Screen {
    QString t1, t2;
    // A caption nobody has written yet is empty here, which is not the same as written empty.
    std::optional<QString> label5, label7, label8;
    std::vector<PlaneDrawing::Circle> p1, p2;
    int messages = 0;
    bool ended = false;

    friend bool operator==(const Screen &a, const Screen &b)
    {
        const auto same = [](const std::vector<PlaneDrawing::Circle> &x,
                             const std::vector<PlaneDrawing::Circle> &y) {
            if (x.size() != y.size()) return false;
            for (size_t i = 0; i < x.size(); ++i)
                if (x[i].centre != y[i].centre || x[i].colour != y[i].colour) return false;
            return true;
        };
        return a.t1 == b.t1 && a.t2 == b.t2 && a.label5 == b.label5 && a.label7 == b.label7 &&
               a.label8 == b.label8 && same(a.p1, b.p1) && same(a.p2, b.p2) &&
               a.messages == b.messages && a.ended == b.ended;
    }
};

class FakeWindow : public QuizWindow {
public:
    QString text(TextBox box) const override { return box == TextBox::t1 ? t1 : t2; }
    void setText(TextBox box, const QString &text) override
    {
        (box == TextBox::t1 ? t1 : t2) = text;
    }
    void setCaption(Caption label, const QString &text) override
    {
        switch (label) {
        case Caption::Label5: label5 = text; break;
        case Caption::Label7: label7 = text; break;
        case Caption::Label8: label8 = text; break;
        }
    }
    Canvas &plane(Plane plane) override { return plane == Plane::p1 ? p1 : p2; }
    void showMessage(const QString &prompt, const QString &title) override
    {
        ++messages;
        lastPrompt = prompt;
        lastTitle = title;
    }
    void endProgram() override { ended = true; }

    Screen screen() const
    {
        return {t1, t2, label5, label7, label8, p1.circles(), p2.circles(), messages, ended};
    }

    QString t1, t2;
    std::optional<QString> label5, label7, label8;
    PlaneDrawing p1{QSizeF(285, 285)}, p2{QSizeF(285, 285)};
    int messages = 0;
    QString lastPrompt, lastTitle;
    bool ended = false;
};

// Hands out the values it is given, in order; 0.5 (the value that makes 0) once they run out.
class ScriptedRandom : public RandomSource {
public:
    void seedFromClock() override { ++seeds; }
    float next() override
    {
        if (values.empty()) return 0.5f;
        const float v = values.front();
        values.pop_front();
        return v;
    }

    // The random value whose target coordinate is c, in -7 ... 7.
    static float valueFor(int c) { return (float(c + 7) + 0.5f) / 15.0f; }
    void queuePoint(int x, int y)
    {
        values.push_back(valueFor(x));
        values.push_back(valueFor(y));
    }

    std::deque<float> values;
    int seeds = 0;
};

} // namespace tavrilo::testing
