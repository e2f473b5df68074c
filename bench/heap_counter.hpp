// The bench program replaces the global operator new with one that counts its calls (in
// data_point_bench.cpp); benchmarks read the count before and after their warm loop to show
// that a read allocates nothing.
#pragma once

#include <cstddef>

std::size_t benchHeapAllocations() noexcept;
