// Response and endurance benchmark on the offscreen platform: full point cycles through the real
// widgets (type both answers, Accept, Another point, repaint both planes and whatever else
// changed), timed one by one, and the resident memory after 100 and after many cycles.
//   bench_response [TIMED_CYCLES] [ENDURANCE_CYCLES]
#include "application.h"
#include "machine.h"
#include "mainwindow.h"
#include "widgettest.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QtTest>
#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

using tavrilo::testing::widget;

namespace {

// A field of /proc/self/status in KiB: VmRSS now, VmHWM the peak.
long statusKiB(const char *field)
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind(field, 0) == 0) return std::atol(line.c_str() + std::strlen(field) + 1);
    return -1;
}

double mib(long kib)
{
    return double(kib) / 1024.0;
}

class Cycle {
public:
    explicit Cycle(tavrilo::MainWindow &window)
        : xAnswer_(widget<QLineEdit>(window, u"xAnswer"))
        , yAnswer_(widget<QLineEdit>(window, u"yAnswer"))
        , acceptButton_(widget<QPushButton>(window, u"accept"))
        , nextPointButton_(widget<QPushButton>(window, u"nextPoint"))
        , targetPlane_(widget(window, u"targetPlane"))
        , answerPlane_(widget(window, u"answerPlane"))
    {}

    void run()
    {
        QTest::keyClicks(xAnswer_, QString::number(random_.bounded(-7, 8)));
        QTest::keyClicks(yAnswer_, QString::number(random_.bounded(-7, 8)));
        QTest::mouseClick(acceptButton_, Qt::LeftButton);
        QTest::mouseClick(nextPointButton_, Qt::LeftButton);
        targetPlane_->repaint();
        answerPlane_->repaint();
        // And whatever else the clicks changed (boxes, counters, verdict), as the event loop would.
        QCoreApplication::processEvents();
    }

private:
    QLineEdit *xAnswer_, *yAnswer_;
    QPushButton *acceptButton_, *nextPointButton_;
    QWidget *targetPlane_, *answerPlane_;
    QRandomGenerator random_{20240601};
};

double percentile(std::vector<double> sorted, double p)
{
    std::sort(sorted.begin(), sorted.end());
    const size_t i = std::min(sorted.size() - 1, size_t(p * double(sorted.size())));
    return sorted[i];
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    const tavrilo::bench::RuntimeDir runtimeDir;
    const int timed = argc > 1 ? std::max(1, std::atoi(argv[1])) : 2000;
    const long endurance = argc > 2 ? std::max(100L, std::atol(argv[2])) : 100000;

    QApplication app(argc, argv);
    tavrilo::setUpApplication();
    tavrilo::MainWindow window;
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) return 1;
    QTest::mouseClick(widget<QPushButton>(window, u"start"), Qt::LeftButton);
    Cycle cycle(window);

    long done = 0;
    for (; done < 100; ++done)
        cycle.run();
    const long rss100 = statusKiB("VmRSS");

    std::vector<double> us;
    us.reserve(size_t(timed));
    QElapsedTimer timer;
    for (int i = 0; i < timed; ++i, ++done) {
        timer.start();
        cycle.run();
        us.push_back(double(timer.nsecsElapsed()) / 1e3);
    }
    for (; done < endurance; ++done)
        cycle.run();
    const long rssEnd = statusKiB("VmRSS");

    tavrilo::bench::printMachine();
    std::printf("platform: offscreen\n\n");
    std::printf(
        "Response, one point cycle through the widgets (type x and y, Accept, Another point,\n"
        "repaint both planes, then the rest of the window), %d cycles:\n",
        timed);
    std::printf("  median       %7.3f ms\n  99th pct     %7.3f ms  (one frame at 60 Hz: 16.7 ms)\n",
                percentile(us, 0.5) / 1e3, percentile(us, 0.99) / 1e3);
    std::printf("  slowest      %7.3f ms\n\n", *std::max_element(us.begin(), us.end()) / 1e3);
    std::printf("Resident memory (VmRSS) in the same process:\n");
    const std::string after = "after " + std::to_string(endurance) + " cycles";
    std::printf("  %-20s %7.2f MiB\n", "after 100 cycles", mib(rss100));
    std::printf("  %-20s %7.2f MiB\n", after.c_str(), mib(rssEnd));
    std::printf("  %-20s %+7.2f MiB  (goal: none)\n", "growth", mib(rssEnd - rss100));
    std::printf("  %-20s %7.2f MiB\n", "peak (VmHWM)", mib(statusKiB("VmHWM")));
    return 0;
}
