#pragma once
// Standard regional mesh (JIS X 0410) codes of a geographic box, in the
// textual forms that source file names use.
//
//   form 4   first level          "5339"
//   form 6   second level         "-533946"
//   form 16  second level         "5339-46"
//   form 8   third level          "L-53394610"
//   form 18  third level          "5339-46-10"

#include <string>
#include <vector>

#include "job/job_context.h"

namespace velkaro {

// Level multiplier of a form: 1 for 4, 8 for 6 and 16, 80 for 8 and 18; 0 for
// an unknown form.
int MeshLevelMultiplier(int form);

// Code text of the cell with latitude index a and longitude index b of the
// form's level (a = trunc(lat * 1.5 * m), b = trunc((lon - 100) * m)).
std::string FormatMeshCode(int form, int a, int b);

// Geographic box of a plane rectangle (job unit), its corners converted with
// xytobl; when the rectangle straddles the central meridian, the point on its
// northern edge at easting 0 may raise the northern latitude.
TileGeoBox GeoBoxOfPlaneRect(CoordinateState& cs, double west, double east, double north,
                             double south);

// Appends the codes of every cell of the form's level that meets the box,
// south to north, west to east. Unknown forms append nothing.
void AppendMeshCodes(std::vector<std::string>& list, const TileGeoBox& box, int form);

// Fills ctx.meshCodes. Forms 4, 6 and 8 clear the list first; 16 and 18 append.
// useCurrentBox false first recomputes ctx.geoBox from the current tile's
// extents (ctx.tile); true uses ctx.geoBox as it is.
void ListMeshCodes(JobContext& ctx, int form, bool useCurrentBox);

}  // namespace velkaro
