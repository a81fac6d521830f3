#include "platform/huge_pages.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>

namespace velkaro {

void PreferHugePages(void* data, size_t bytes) {
  if (!data || bytes < kHugePageWorthy) return;
  const uintptr_t page = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
  const uintptr_t begin = (reinterpret_cast<uintptr_t>(data) + page - 1) / page * page;
  const uintptr_t end = (reinterpret_cast<uintptr_t>(data) + bytes) / page * page;
  // A refusal (no huge pages on this system) leaves the buffer as it was.
  if (end > begin) madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
}

}  // namespace velkaro
