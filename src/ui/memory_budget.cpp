#include "ui/memory_budget.h"

#include <algorithm>
#include <new>

#include "job/cell_buffer.h"
#include "ui/dialog_messages.h"

namespace velkaro {

int64_t FreeMemoryKiB(const MemoryStatus& status) {
  if (!status.valid) return 0;
  const int64_t total = static_cast<int64_t>(status.totalBytes >> 10);
  const uint64_t usedBytes =
      status.totalBytes > status.availableBytes ? status.totalBytes - status.availableBytes : 0;
  const int64_t used = static_cast<int64_t>(usedBytes >> 10);
  return total - used;
}

std::string FreeMemoryLabel(int64_t freeKiB) {
  std::string digits = std::to_string(freeKiB < 0 ? -freeKiB : freeKiB);
  std::string grouped = freeKiB < 0 ? "-" : "";
  const size_t n = digits.size();
  for (size_t i = 0; i < n; ++i) {
    if (i > 0 && (n - i) % 3 == 0) grouped += ',';
    grouped += digits[i];
  }
  return dialog_msg::kFreeMemoryPrefix + grouped + dialog_msg::kFreeMemorySuffix;
}

int StepsMaximum(int currentSteps, int64_t freeKiB) {
  const int64_t extra = std::max<int64_t>(freeKiB / kKiBPerStep, 0);
  const int64_t maximum = std::min<int64_t>(currentSteps + extra, kMaxCellSteps);
  return static_cast<int>(std::max<int64_t>(maximum, currentSteps));
}

int StepsOf(const CellBuffer& pool) { return pool.budget() / CellBuffer::kStep; }

bool ResizePool(CellBuffer& pool, int steps, int share) {
  steps = std::clamp(steps, 1, kMaxCellSteps);
  const int oldSteps = std::max(StepsOf(pool), 1);
  const int oldShare = pool.meshShare();
  try {
    pool.ResizeCellBuffer(steps, share);
    return true;
  } catch (const std::bad_alloc&) {
  }
  // The pool's count may already name the size that failed; give it back a
  // size that is really there.
  try {
    pool.ResizeCellBuffer(oldSteps, oldShare);
  } catch (const std::bad_alloc&) {
    pool.reset();
  }
  return false;
}

}  // namespace velkaro
