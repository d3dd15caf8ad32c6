// Start-up benchmark: time from process start to the first completed paint, for the program's
// window and for a bare Qt window of the same size, in alternating runs; then where the program's
// time goes.
//   bench_startup PROGRAM_LAUNCHER BARE_LAUNCHER BREAKDOWN [RUNS]
#include "machine.h"

#include <QtGlobal>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace {

long long now()
{
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1000000000LL + t.tv_nsec;
}

struct Run {
    long long started = 0; // ns, taken just before the child is spawned
    std::string output;
    long maxRssKiB = 0;
    bool ok = false;
};

Run runChild(const std::string &path, const std::vector<std::string> &extraArgs = {})
{
    Run run;
    int out[2];
    if (pipe(out) != 0) return run;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    std::vector<std::string> args{path};
    args.insert(args.end(), extraArgs.begin(), extraArgs.end());
    std::vector<char *> argv;
    for (auto &a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    pid_t pid = 0;
    run.started = now();
    const int spawned = posix_spawn(&pid, path.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    if (spawned != 0) {
        close(out[0]);
        return run;
    }
    char buffer[4096];
    for (ssize_t n; (n = read(out[0], buffer, sizeof buffer)) != 0;) {
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) break;
        run.output.append(buffer, size_t(n));
    }
    close(out[0]);
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid) return run;
    run.maxRssKiB = usage.ru_maxrss;
    run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return run;
}

// The values of the lines "KEY NAME VALUE" or "KEY VALUE" in a child's output.
std::map<std::string, long long> parse(const std::string &output)
{
    std::map<std::string, long long> values;
    std::istringstream lines(output);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream words(line);
        std::vector<std::string> w;
        for (std::string s; words >> s;)
            w.push_back(s);
        if (w.size() == 2) values[w[0]] = std::atoll(w[1].c_str());
        if (w.size() == 3) values[w[0] + " " + w[1]] = std::atoll(w[2].c_str());
    }
    return values;
}

double median(std::vector<double> v)
{
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s PROGRAM_LAUNCHER BARE_LAUNCHER BREAKDOWN [RUNS]\n",
                     argv[0]);
        return 2;
    }
    const std::string program = argv[1], bare = argv[2], breakdown = argv[3];
    const int runs = argc > 4 ? std::max(1, std::atoi(argv[4])) : 40;

    // On the X server in DISPLAY, which run-benchmarks starts for it (tests/support/x-session),
    // so that the windows are mapped, exposed and painted as on a desktop; offscreen without one.
    const char *display = std::getenv("DISPLAY");
    const bool x = display && *display;
    setenv("QT_QPA_PLATFORM", x ? "xcb" : "offscreen", 1);
    const std::string platform =
        x ? std::string("xcb on the X server ") + display : std::string("offscreen (no X server)");
    unsetenv("QT_SCALE_FACTOR");
    tavrilo::bench::RuntimeDir runtimeDir;

    tavrilo::bench::printMachine();
    std::printf("platform: %s\n\n", platform.c_str());

    // One run of each first, so that both find the libraries in the page cache.
    for (const auto &path : {program, bare})
        if (!runChild(path).ok) {
            std::fprintf(stderr, "%s did not start\n", path.c_str());
            return 1;
        }

    std::vector<double> programMs, bareMs, programRss, bareRss;
    for (int i = 0; i < runs; ++i) {
        const bool programFirst = i % 2 == 0;
        for (int k = 0; k < 2; ++k) {
            const bool isProgram = (k == 0) == programFirst;
            const Run run = runChild(isProgram ? program : bare);
            const auto values = parse(run.output);
            if (!run.ok || !values.count("painted")) {
                std::fprintf(stderr, "a run failed: %s\n", run.output.c_str());
                return 1;
            }
            const double ms = double(values.at("painted") - run.started) / 1e6;
            (isProgram ? programMs : bareMs).push_back(ms);
            (isProgram ? programRss : bareRss).push_back(double(run.maxRssKiB) / 1024.0);
        }
    }
    const double f = median(programMs), b = median(bareMs);
    std::printf(
        "Start-up, process start to first completed paint, median of %d alternating runs:\n", runs);
    std::printf("  Tavrilo      %7.1f ms\n  bare window  %7.1f ms\n  ratio        %7.2f  (goal "
                "<= 1.05)\n\n",
                f, b, f / b);
    const double fr = median(programRss), br = median(bareRss);
    std::printf("Peak resident memory up to the first paint (ru_maxrss), median:\n");
    std::printf("  Tavrilo      %7.1f MiB\n  bare window  %7.1f MiB\n  difference   %7.1f MiB  "
                "(goal <= 8)\n\n",
                fr, br, fr - br);

    // Where the program's time goes: the steps of main, then each ingredient alone in a fresh
    // process.
    std::map<std::string, std::vector<double>> phases;
    const char *steps[] = {"main", "application", "setup", "window", "show", "painted"};
    for (int i = 0; i < runs; ++i) {
        const Run run = runChild(breakdown);
        const auto values = parse(run.output);
        long long previous = run.started;
        for (const char *step : steps) {
            const auto it = values.find(step);
            if (it == values.end()) break;
            phases[step].push_back(double(it->second - previous) / 1e6);
            previous = it->second;
        }
    }
    std::printf("Tavrilo's start-up step by step, median ms:\n");
    const char *labels[] = {"process start to main (loading the libraries)",
                            "QApplication (platform plugin, display connection)",
                            "setUpApplication (font, style, icon)",
                            "MainWindow constructor (controls, pictures)",
                            "show()",
                            "first paint"};
    for (size_t i = 0; i < std::size(steps); ++i)
        std::printf("  %-52s %6.2f\n", labels[i], median(phases[steps[i]]));

    const char *ingredients[] = {"font", "style",      "icon",    "background",
                                 "grid", "fontlookup", "controls"};
    const char *ingredientLabels[] = {"registering the shipped font",
                                      "creating the Windows style",
                                      "the icon (four sizes, as the window has it)",
                                      "the background picture at ratio 1",
                                      "the plane grid picture at ratio 1",
                                      "first font lookup and text layout",
                                      "creating 4 buttons, 8 labels, 2 boxes, 2 frames"};
    std::printf("\nEach ingredient alone, in a fresh process after QApplication, median ms:\n");
    for (size_t i = 0; i < std::size(ingredients); ++i) {
        std::vector<double> ms;
        for (int r = 0; r < std::max(5, runs / 2); ++r) {
            const auto values = parse(runChild(breakdown, {ingredients[i]}).output);
            if (values.count("ingredient")) ms.push_back(double(values.at("ingredient")) / 1e6);
        }
        std::printf("  %-52s %6.2f\n", ingredientLabels[i], median(ms));
    }
    return 0;
}
