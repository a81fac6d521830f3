#include "output/georeference.h"

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "job/job_context.h"
#include "platform/proj_calls.h"
#include "render/gl_view.h"
#include "platform/atomic_file.h"

namespace velkaro {

namespace {

constexpr int kFirstPlaneZoneEpsg = 6669;  // JGD2011 / Japan Plane Rectangular CS I

std::string RomanNumeral(int value) {
  static constexpr std::array<std::pair<int, const char*>, 6> kDigits = {
      {{10, "X"}, {9, "IX"}, {5, "V"}, {4, "IV"}, {1, "I"}, {0, ""}}};
  std::string text;
  for (const auto& [amount, letters] : kDigits)
    while (amount > 0 && value >= amount) text += letters, value -= amount;
  return text;
}

std::string SeventeenDigits(double value) {
  char text[64];
  std::snprintf(text, sizeof text, "%.17g", value);
  return text;
}

bool WriteTextFile(const std::string& path, const std::string& text, std::string* error) {
  return WriteFileAtomically(path, text, error);
}

}  // namespace

int PlaneZoneEpsg(int zone) {
  return zone >= 1 && zone <= 19 ? kFirstPlaneZoneEpsg + zone - 1 : 0;
}

std::string PlaneZoneName(int zone) { return "JGD2011 / Japan Plane Rectangular CS " + RomanNumeral(zone); }

TileCoordinateSystem CoordinateSystemOfJob(const JobContext& job) {
  TileCoordinateSystem crs;
  crs.geographic = job.coords.latLonMode;
  if (crs.geographic) {
    crs.epsg = kJgd2011GeographicEpsg;
    crs.name = "JGD2011";
  } else {
    crs.epsg = PlaneZoneEpsg(job.coords.zone);
    crs.name = PlaneZoneName(job.coords.zone);
  }
  return crs;
}

double FileUnitsPerJobUnit(const JobContext& job) {
  if (job.coords.latLonMode || !(job.coords.unitScale > 0)) return 1.0;
  return 1.0 / job.coords.unitScale;
}

PixelGrid FrameGrid(const JobContext& job) {
  // PixelX and PixelY are linear: v = (pixel - PixelX(0)) * upp / latFactor.
  const double perJobUnit = FileUnitsPerJobUnit(job);
  const double upp = job.image.unitsPerPixel;
  const double latFactor = job.image.latFactor > 0 ? job.image.latFactor : 1.0;
  PixelGrid grid;
  grid.sizeX = upp / latFactor * perJobUnit;
  grid.sizeY = upp * perJobUnit;
  grid.west = (job.tile.west - PixelX(job, job.tile.west) * upp / latFactor) * perJobUnit;
  grid.north = (job.tile.north + PixelY(job, job.tile.north) * upp) * perJobUnit;
  return grid;
}

std::string WorldFileText(const PixelGrid& grid) {
  std::string text;
  for (const double v : {grid.sizeX, 0.0, 0.0, -grid.sizeY, grid.west + grid.sizeX / 2, grid.north - grid.sizeY / 2})
    text += SeventeenDigits(v) + "\r\n";
  return text;
}

std::string ProjectionFileText(const TileCoordinateSystem& crs) {
  if (crs.epsg == 0) return {};
  const ProjCalls* c = LoadProj(nullptr);
  if (!c) return {};   // no PROJ: no projection file, as for an unknown code
  PJ_CONTEXT* context = c->proj_context_create();
  std::string wkt;
  if (PJ* object = c->proj_create(context, ("EPSG:" + std::to_string(crs.epsg)).c_str())) {
    if (const char* text = c->proj_as_wkt(context, object, PJ_WKT1_ESRI, nullptr)) wkt = text;
    c->proj_destroy(object);
  }
  c->proj_context_destroy(context);
  return wkt;
}

bool WriteWorldFiles(const std::string& imagePath, const char* worldExtension, const PixelGrid& grid,
                     const TileCoordinateSystem& crs, std::string* error) {
  std::filesystem::path world(imagePath), projection(imagePath);
  world.replace_extension(worldExtension);
  projection.replace_extension(".prj");
  if (!WriteTextFile(world.string(), WorldFileText(grid), error)) return false;
  const std::string wkt = ProjectionFileText(crs);
  if (wkt.empty()) return true;  // placed, but its system has no EPSG code
  return WriteTextFile(projection.string(), wkt, error);
}

}  // namespace velkaro
