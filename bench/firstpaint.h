#pragma once

#include <QApplication>
#include <QWidget>
#include <cstdio>
#include <ctime>

namespace tavrilo::bench {

inline long long monotonicNanoseconds()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1000000000LL + now.tv_nsec;
}

// An application that notes when the watched window has been painted for the first time: at the
// end of the outermost event during which the window got its paint event, so that its children are
// painted and the backing store is flushed too. It prints that moment (CLOCK_MONOTONIC, ns) and
// quits.
class FirstPaintApplication : public QApplication {
public:
    using QApplication::QApplication;

    void watch(QWidget *window) { window_ = window; }

    bool notify(QObject *receiver, QEvent *event) override
    {
        const bool paint = event->type() == QEvent::Paint && receiver == window_;
        ++depth_;
        const bool result = QApplication::notify(receiver, event);
        --depth_;
        if (paint) painted_ = true;
        if (painted_ && depth_ == 0 && !reported_) {
            reported_ = true;
            std::printf("painted %lld\n", monotonicNanoseconds());
            std::fflush(stdout);
            quit();
        }
        return result;
    }

private:
    QWidget *window_ = nullptr;
    int depth_ = 0;
    bool painted_ = false;
    bool reported_ = false;
};

} // namespace tavrilo::bench
