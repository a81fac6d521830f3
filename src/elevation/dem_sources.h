#pragma once
// Finding the elevation files of the source in effect and reading them into
// the current tile's grid.

#include <string>
#include <string_view>

#include "elevation/elevation_grid.h"

namespace velkaro {

struct JobContext;

enum class DemScanMode { Count, Read };

// Source kinds, in the order of the `alti`/`cont` settings.
enum DemKind { kDem5 = 0, kDem10 = 1, kDem50 = 2, kDem250 = 3, kEtopo = 4 };

// Count mode adds the number of candidate files to the file counter; read
// mode reads every file whose mesh overlaps `extent` into the grid.
void ScanDemSources(JobContext& ctx, DemScanMode mode, const GeoBox& extent);

// The mesh code cut from a DEM XML file name, relative to the first "DEM"
// of the upper-cased name ("5339-45-00" for a 5 m file); empty when the name
// is too short.
std::string DemMeshCodeOfFileName(std::string_view fileName, DemKind kind);

// The geographic box of a mesh code cut from a file name: "5339-45-00" or
// "L-53394500" for 5 m, "5339-45" or "-533945" for 10 m and 50 m, "5339" for
// 250 m. False when the code is not of the kind's form.
bool DemMeshBox(std::string_view code, DemKind kind, GeoBox& box);

}  // namespace velkaro
