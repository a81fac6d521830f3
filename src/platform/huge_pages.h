#pragma once
// Big buffers backed by huge pages. A buffer of many megabytes (a DEM file
// read whole, its values, the cell pool) is touched page by page the first
// time it is filled, and with 4 kB pages each touch is a fault. Where the
// system hands out transparent huge pages on request (the usual "madvise"
// setting), asking for them turns 512 faults into one (the pages are still
// cleared: the gain is the faults' own cost); elsewhere the request does
// nothing.

#include <cstddef>

namespace velkaro {

// Buffers smaller than this are left alone.
inline constexpr size_t kHugePageWorthy = size_t{4} << 20;

// Asks for huge pages over [data, data + bytes) before it is first touched.
void PreferHugePages(void* data, size_t bytes);

// Reserves room for `count` elements of a vector or string and asks for
// huge pages over it.
template <class Container>
void ReserveOnHugePages(Container& c, size_t count) {
  c.reserve(count);
  PreferHugePages(c.data(), c.capacity() * sizeof(*c.data()));
}

}  // namespace velkaro
