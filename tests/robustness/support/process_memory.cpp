#include "process_memory.h"

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

namespace qel::test {

namespace {

// A "Name:   1234 kB" line of /proc/self/status, in bytes.
std::size_t StatusField(const std::string& name) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.compare(0, name.size() + 1, name + ":") == 0)
            return std::stoull(line.substr(name.size() + 1)) * 1024;
    }
    throw std::runtime_error("no " + name + " in /proc/self/status");
}

} // namespace

std::size_t ResidentBytes() {
    return StatusField("VmRSS");
}

std::size_t PeakResidentBytes() {
    return StatusField("VmHWM");
}

std::size_t AddressSpaceBytes() {
    return StatusField("VmSize");
}

bool ResetPeakResident() {
    std::ofstream clearRefs("/proc/self/clear_refs");
    clearRefs << "5";
    clearRefs.flush();
    return static_cast<bool>(clearRefs);
}

std::size_t OpenDescriptorCount() {
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd"))
        ++count;
    return count;
}

} // namespace qel::test
