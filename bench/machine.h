#pragma once

#include <QtGlobal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>

namespace tavrilo::bench {

// What the figures were measured on, printed above them.
inline void printMachine()
{
    std::string cpu = "unknown", load;
    std::ifstream info("/proc/cpuinfo");
    for (std::string line; std::getline(info, line);)
        if (line.rfind("model name", 0) == 0) {
            cpu = line.substr(line.find(':') + 2);
            break;
        }
    std::getline(std::ifstream("/proc/loadavg"), load);
    std::printf("machine: %ld cores, %s; Qt %s; load average %s\n", sysconf(_SC_NPROCESSORS_ONLN),
                cpu.c_str(), qVersion(), load.c_str());
}

// Qt wants a private runtime folder; a fresh one for the run keeps its complaint out of the output.
struct RuntimeDir {
    char path[32] = "/tmp/tavrilo-bench-XXXXXX";
    RuntimeDir()
    {
        if (mkdtemp(path)) setenv("XDG_RUNTIME_DIR", path, 1);
    }
    ~RuntimeDir() { rmdir(path); }
};

} // namespace tavrilo::bench
