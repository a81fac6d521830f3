#include "gridpack/gridpack.h"

#include <algorithm>
#include <fstream>
#include <map>
#include <set>

#include "gridpack/dem_inputs.h"
#include "gridpack/messages.h"
#include "platform/whole_file.h"

namespace velkaro {

namespace {

namespace text = gridpack_text;

// Reads one DEM text into a mesh raster and writes it into the mosaic.
class MeshPlacer {
 public:
  MeshPlacer(MosaicWriter& writer, const GridpackOptions& options, GridpackSummary& summary)
      : writer_(writer), options_(options), summary_(summary) {}

  // False only when the mosaic cannot be written; a bad file is a problem line.
  bool place(const DemInput& input, std::string_view fileBytes) {
    summary_.xmlBytes += static_cast<double>(fileBytes.size());
    const std::string_view bytes = DemTextOf(fileBytes, scratch_);
    DemXmlHeader header;
    MeshExtent extent;
    if (!ReadDemInputHeader(bytes, header, extent) || !ReadDemXmlHeader(bytes, header)) {
      summary_.problems.push_back(text::Fill(text::kBadFile, input.display()));
      return true;
    }
    values_.assign(static_cast<size_t>(header.width) * header.height, kMosaicNoData);
    if (!ReadDemXmlValues(bytes, header, values_.data(), options_.seaZero)) {
      summary_.problems.push_back(text::Fill(text::kBadFile, input.display()));
      return true;
    }
    ++summary_.meshes;
    return writer_.place(extent, values_.data());
  }

 private:
  MosaicWriter& writer_;
  const GridpackOptions& options_;
  GridpackSummary& summary_;
  std::vector<float> values_;
  std::string scratch_;
};

// The share of the union box that the meshes cover.
double MeshCoverage(const std::vector<MeshExtent>& extents) {
  const RasterGrid box = GeographicMosaicGrid(extents, 0);
  double meshArea = 0;
  for (const MeshExtent& e : extents) meshArea += (e.lonE - e.lonW) * (e.latN - e.latS);
  const double boxArea = box.cols * box.cellX * box.rows * box.cellY;
  return boxArea > 0 ? std::min(1.0, meshArea / boxArea) : 0;
}

}  // namespace

GridpackSummary RunGridpack(const GridpackOptions& options, GridpackObserver& observer) {
  GridpackSummary summary;
  DemInputScan scan = ScanDemInputs(options.folder, [&](int done, int total) { observer.scanning(done, total); });
  summary.problems = scan.problems;
  summary.notDem = scan.notDem;
  summary.superseded = scan.superseded;
  if (scan.inputs.empty()) {
    summary.error = text::Fill(text::kNoDem, options.folder);
    return summary;
  }

  std::vector<MeshExtent> extents;
  for (const DemInput& in : scan.inputs) extents.push_back(in.extent);
  const bool zone = options.zone != 0;
  RasterGrid grid = GeographicMosaicGrid(extents, zone ? 0 : options.resolution / 3600.0);
  summary.epsg = 6668 + options.zone;
  if (zone) {
    if (options.zone < 1 || options.zone > 19) {
      summary.error = text::Fill(text::kBadZone, std::to_string(options.zone));
      return summary;
    }
    RasterGrid geographic = grid;
    if (!ZoneMosaicGrid(geographic, summary.epsg, options.resolution, grid, summary.error)) return summary;
  } else if (double(grid.cols) * grid.rows > 1e12 || grid.cols > 0x7fffffff || grid.rows > 0x7fffffff) {
    summary.error = text::Fill(text::kBadResolution, std::to_string(options.resolution));
    return summary;
  }
  summary.grid = grid;

  MosaicWriter writer;
  MosaicOptions mosaic;
  mosaic.format = options.format;
  mosaic.epsg = summary.epsg;
  mosaic.overviews = options.overviews;
  summary.coverage = MeshCoverage(extents);
  mosaic.sparse = summary.coverage < 0.5;
  if (!writer.create(options.outPath, grid, mosaic)) {
    summary.error = writer.error();
    return summary;
  }
  MeshPlacer placer(writer, options, summary);
  const int total = static_cast<int>(scan.inputs.size());
  int done = 0;
  std::string bytes;

  // Tier by tier (coarse first, the better product last); in a tier the
  // plain files in order, then each zip opened once for its members.
  const std::vector<DemInput>& inputs = scan.inputs;
  for (size_t begin = 0; begin < inputs.size();) {
    size_t end = begin + 1;
    while (end < inputs.size() && !DrawsBefore(inputs[begin].rank(), inputs[end].rank())) ++end;
    std::map<std::string, std::map<std::string, const DemInput*>> zipped;   // zip -> display -> input
    std::vector<std::string> zipOrder;
    for (size_t i = begin; i < end; ++i) {
      const DemInput& in = inputs[i];
      if (in.zipped()) {
        if (!zipped.count(in.path)) zipOrder.push_back(in.path);
        zipped[in.path][in.member.display()] = &in;
        continue;
      }
      if (!ReadWholeFile(in.path, bytes)) summary.problems.push_back(text::Fill(text::kUnreadable, in.path));
      else if (!placer.place(in, bytes)) {
        summary.error = writer.error();
        return summary;
      }
      observer.meshWritten(++done, total, in.display());
    }
    for (const std::string& zip : zipOrder) {
      const auto& wanted = zipped[zip];
      std::set<std::string> names;
      for (const auto& [display, in] : wanted) names.insert(in->fileName);
      ZipMemberFilter filter;
      filter.member = [&](std::string_view name) { return names.count(std::string(name)) > 0; };
      std::string error;
      bool writeFailed = false;
      ForEachZipMember(zip, filter,
                       [&](const ZipMemberRef& ref, std::string_view member) {
                         const auto it = wanted.find(ref.display());
                         if (it == wanted.end()) return true;
                         if (!placer.place(*it->second, member)) {
                           writeFailed = true;
                           return false;
                         }
                         observer.meshWritten(++done, total, ref.display());
                         return true;
                       },
                       error);
      if (writeFailed) {
        summary.error = writer.error();
        return summary;
      }
      if (!error.empty()) summary.problems.push_back(error);
    }
    begin = end;
  }
  observer.finishing();
  if (!writer.finish()) {
    summary.error = writer.error();
    return summary;
  }
  summary.written = true;
  return summary;
}

}  // namespace velkaro
