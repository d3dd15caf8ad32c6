#pragma once

#include "planebox.h"
#include "quiz.h"
#include "quizwindow.h"
#include "random.h"

#include <QWidget>
#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;

namespace tavrilo {

// The program's one window: two planes, the answer boxes, four buttons and the labels, at fixed
// positions over the background picture. Its buttons drive the quiz, or end the program; it holds
// no rules of its own.
class MainWindow : public QWidget, public QuizWindow {
    Q_OBJECT
public:
    explicit MainWindow(QWidget *parent = nullptr);

    static constexpr QSize clientSize{706, 487};

    const Quiz &quiz() const { return quiz_; }

    // How a new verdict or a new point is made known to assistive technology; replaceable, so that
    // it can be watched where no screen reader listens.
    using Announcer = std::function<void(QWidget *)>;
    void setAnnouncer(Announcer announcer) { announce_ = std::move(announcer); }

    Canvas &targetPlane() override;
    Canvas &answerPlane() override;
    void showQuestionCount(int count) override;
    void showMistakeCount(int count) override;
    void showVerdict(const QString &verdict) override;
    void clearAnswer() override;
    void askToAcceptFirst() override;

protected:
    void changeEvent(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    QPushButton *makeButton(const char *name, const QString &caption, QRect geometry);
    template <typename Label = QLabel>
    Label *makeLabel(const char *name, const QString &caption, QRect geometry, Bgr textColour,
                     int fontPixels, Qt::Alignment alignment, bool framed = false);
    QLineEdit *makeAnswerBox(const char *name, QRect geometry);

    Announcer announce_;
    ClockRandom random_;
    Quiz quiz_;

    QPushButton *startButton_, *acceptButton_, *nextPointButton_, *exitButton_;
    PlaneBox *targetPlane_, *answerPlane_;
    QLineEdit *xAnswer_, *yAnswer_;
    QLabel *instruction_, *xCaption_, *yCaption_, *verdict_;
    QLabel *questionCaption_, *questionCount_, *mistakeCaption_, *mistakeCount_;
    QWidget *pointNews_; // a new point with its count, for assistive technology
};

} // namespace tavrilo
