// Figures of the calling process from /proc/self, for checks of memory and descriptor use.
#pragma once

#include <cstddef>

namespace qel::test {

// Resident memory now (VmRSS), its peak (VmHWM) and the address space (VmSize), in bytes.
[[nodiscard]] std::size_t ResidentBytes();
[[nodiscard]] std::size_t PeakResidentBytes();
[[nodiscard]] std::size_t AddressSpaceBytes();

// Sets the peak to the resident memory now, so that a later peak measures only what follows;
// false when the kernel does not allow it (then the peak includes what came before).
bool ResetPeakResident();

// The number of open file descriptors.
[[nodiscard]] std::size_t OpenDescriptorCount();

} // namespace qel::test
