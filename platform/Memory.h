// The machine's physical memory, for sizing what a document may hold on to.
#pragma once

#include <cstdint>

namespace quiret {

// Bytes of physical memory, or 0 when the system does not say.
std::uint64_t PhysicalMemoryBytes();

}  // namespace quiret
