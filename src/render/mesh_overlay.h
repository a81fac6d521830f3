#pragma once
// The standard regional mesh overlay: the grid of the mesh cells at the
// level the job chooses (tiikimesh/keta), each line drawn through the
// projected corners of its cells, and every cell labelled with its code.

#include <string>
#include <vector>

#include "render/painter_drawer.h"

namespace velkaro {

struct JobContext;

// Cell size in degrees of a level: 0 first mesh (2/3 x 1), 1 second mesh
// (1/12 x 1/8), 2 third mesh (1/120 x 1/80); any other level is the second.
struct MeshCellSize {
  double lat = 0, lon = 0;
};
int MeshOverlayLevel(int keta);

// The font of the mesh code labels: the run's text font, whatever font the
// drawer was left with by earlier steps or tiles.
FontSpec MeshLabelFont(const JobContext& job);
MeshCellSize MeshCellSizeOfLevel(int keta);

// Code of the cell whose south-west corner is (lat, lon), e.g. "5339",
// "533946", "53394600" for the three levels.
std::string MeshOverlayCode(int keta, double lat, double lon);

struct PixelPoint {
  int x = 0, y = 0;
};

// What the overlay draws on the current tile: polylines (meridians first,
// west to east, then parallels, south to north) and one label per cell with
// its anchor at the pixel of the cell's south-west corner.
struct MeshOverlayPlan {
  struct Label {
    PixelPoint corner;
    std::string code;
  };
  std::vector<std::vector<PixelPoint>> lines;
  std::vector<Label> labels;
};
MeshOverlayPlan PlanMeshOverlay(JobContext& job);

// Draws the plan with the 2-D drawer: pen colour tiikimesh/color, width the
// low byte of the overlay's style word; codes in the same colour on a
// transparent background, in the drawer's current font, their cell's top-left
// corner 3 pixels right of and one text height above the cell's corner.
void DrawMeshOverlay(JobContext& job);

}  // namespace velkaro
