#pragma once

#include <QLabel>

namespace tavrilo {

// A label whose text is news when it appears, such as a verdict: assistive technology knows it as
// an alert, and announce() tells it that a new one is showing.
class AlertLabel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;
};

// Tells assistive technology that the widget has just come to show something new.
void announce(QWidget *widget);

// Gives the program's own widgets their roles: planes are graphics, alert labels alerts.
void installAccessibleRoles();

} // namespace tavrilo
