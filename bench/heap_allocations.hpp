// Calls of the global operator new in the benchmark program, for the counters that show a warm
// hot path allocates nothing.
#pragma once

#include <cstddef>

std::size_t heapAllocations() noexcept;
