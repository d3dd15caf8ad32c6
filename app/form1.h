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
// positions over the background picture. Its buttons drive the quiz; it holds no rules of its own.
class Form1 : public QWidget, public QuizWindow {
    Q_OBJECT
public:
    explicit Form1(QWidget *parent = nullptr);

    static constexpr QSize clientSize{706, 487};

    const Quiz &quiz() const { return quiz_; }

    // How a new verdict or a new point is made known to assistive technology; replaceable, so that
    // it can be watched where no screen reader listens.
    using Announcer = std::function<void(QWidget *)>;
    void setAnnouncer(Announcer announcer) { announce_ = std::move(announcer); }

    QString text(TextBox box) const override;
    void setText(TextBox box, const QString &text) override;
    void setCaption(Caption label, const QString &text) override;
    Canvas &plane(Plane plane) override;
    void showMessage(const QString &prompt, const QString &title) override;
    void endProgram() override;

protected:
    void changeEvent(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    QPushButton *makeButton(const char *name, const QString &caption, QRect geometry);
    template <typename Label = QLabel>
    Label *makeLabel(const char *name, const QString &caption, QRect geometry, Bgr textColour,
                     int fontPixels, Qt::Alignment alignment, bool framed = false);
    QLineEdit *makeTextBox(const char *name, QRect geometry);

    Announcer announce_;
    ClockRandom random_;
    Quiz quiz_;

    QPushButton *Command2, *Command3, *Command5, *Command7;
    QLabel *Label1, *Label2, *Label3, *Label4, *Label5, *Label6, *Label7, *Label8;
    QLineEdit *t1, *t2;
    PlaneBox *p1, *p2;
    QWidget *pointNews_;
};

} // namespace tavrilo
