#pragma once

#include <QLabel>

namespace tavrilo {

// A label whose text is news when it appears, such as a verdict: assistive technology knows it as
// a notification, and announce() has it spoken wherever the focus is.
class AlertLabel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;
};

// A count shown beside its caption, the label whose buddy it is: assistive technology names it by
// the count alone, or nothing while there is none, and knows the caption as its label.
class CounterLabel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;
};

// News that no control shows in so many words, such as a count together with its caption: a
// notification that is never on the screen, so that neither the focus nor a screen review finds it.
// announce() has its accessible name spoken.
class Notifier : public QWidget {
    Q_OBJECT
public:
    explicit Notifier(QWidget *parent)
        : QWidget(parent)
    {
        hide();
    }
};

// Tells assistive technology that the widget has just come to show something new.
void announce(QWidget *widget);

// Gives the program's own widgets their roles: planes are graphics, alert labels and notifiers
// notifications, counters labels named by their counts.
void installAccessibleRoles();

} // namespace tavrilo
