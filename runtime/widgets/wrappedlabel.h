#pragma once

#include <QLabel>

namespace tavrilo {

// A label whose text wraps onto lines as far apart as its font's own metrics say: its ascent,
// descent and line gap. Qt 6.4 spaced them so; Qt 6.8 leaves the line gap out, and the lines
// would move on every platform that has it.
class WrappedLabel : public QLabel {
    Q_OBJECT
public:
    WrappedLabel(const QString &text, QWidget *parent);

protected:
    void paintEvent(QPaintEvent *event) override;
};

} // namespace tavrilo
