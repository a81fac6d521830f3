#pragma once
// The rules of the memory budget dialog: the free memory it reports, the
// largest number of pool steps it offers and the enlargement of the pool.

#include <cstdint>
#include <string>

#include "platform/memory_status.h"

namespace velkaro {

class CellBuffer;

// Each further step of the pool is allowed per this much free memory (KiB).
inline constexpr int64_t kKiBPerStep = 80000;
// The most steps a pool may have: CellBudget = steps x 2,097,152 entries must
// stay within a signed 32-bit count.
inline constexpr int kMaxCellSteps = 1023;

// Free physical memory in KiB: total / 1024 minus (total - available) / 1024.
// 0 when the status could not be read.
int64_t FreeMemoryKiB(const MemoryStatus& status);

// "空きメモリー　1,234,567 KB".
std::string FreeMemoryLabel(int64_t freeKiB);

// The steps field's maximum: the current steps plus one per 80,000 KiB free,
// never above kMaxCellSteps nor below the current steps.
int StepsMaximum(int currentSteps, int64_t freeKiB);

// Re-sizes the pool to steps x 2,097,152 entries with MeshShare share. When
// the memory cannot be had, the pool keeps (or, failing that too, gets back
// to one step) a usable size and the call returns false.
bool ResizePool(CellBuffer& pool, int steps, int share);

// The number of steps of the pool's current budget.
int StepsOf(const CellBuffer& pool);

}  // namespace velkaro
