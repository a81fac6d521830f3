#pragma once
// Cutting of line features at secondary mesh boundaries. The sources cut
// every line where it crosses a secondary mesh edge and may run it along the
// edge; the stretches along the edge are not part of the drawn line.

#include <cmath>
#include <cstdint>

#include "job/cell_buffer.h"

namespace velkaro::gml {

// True when the vertex lies on a secondary mesh edge: every 1/8 degree of
// longitude, every 1/12 degree of latitude.
inline bool OnSecondaryMeshBoundary(double lon, double lat) {
  auto onGrid = [](double v) {
    const double frac = v - std::trunc(v);
    return frac < 1e-7 || frac > 0.9999999;
  };
  return onGrid(lon * 8.0) || onGrid(lat * 12.0);
}

// Calls piece(from, to) (zero-based, inclusive) for every piece of the line
// v[0..n-1] between boundary vertices. Consecutive pieces share the boundary
// vertex between them; a stretch between two boundary vertices is left out;
// pieces of fewer than two vertices are not reported. Every segment with at
// least one end off the boundary is in exactly one piece, including the
// last one and a line of only two vertices.
template <typename Piece>
void ForEachMeshPiece(const CellPair* v, int32_t n, Piece&& piece) {
  auto onBoundary = [&](int32_t i) { return OnSecondaryMeshBoundary(v[i].x, v[i].y); };
  int32_t i = 0;
  while (i < n - 1) {
    while (i < n && onBoundary(i)) ++i;
    if (i > 0) --i;                       // start at the boundary vertex before
    int32_t j = i + 1;
    while (j < n && !onBoundary(j)) ++j;  // up to the next boundary vertex
    if (j >= n) j = n - 1;
    if (j > i && !piece(i, j)) return;
    i = j + 1;
  }
}

}  // namespace velkaro::gml
