#pragma once

#include <QtGlobal>
#include <cstdio>
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

} // namespace tavrilo::bench
