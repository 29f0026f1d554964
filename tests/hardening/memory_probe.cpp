#include "memory_probe.h"

#include <fstream>
#include <sstream>
#include <string>

namespace {

long StatusField(const std::string& name)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.starts_with(name + ":")) {
            std::istringstream value(line.substr(name.size() + 1));
            long kib = 0;
            value >> kib;
            return kib;
        }
    }
    return -1;
}

}  // namespace

long ResidentKiB() { return StatusField("VmRSS"); }

long PeakResidentKiB() { return StatusField("VmHWM"); }

bool ResetPeak()
{
    std::ofstream refs("/proc/self/clear_refs");
    refs << "5";
    refs.flush();
    return static_cast<bool>(refs);
}
