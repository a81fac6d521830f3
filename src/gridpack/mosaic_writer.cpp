#include "gridpack/mosaic_writer.h"

#include <cpl_conv.h>
#include <cpl_error.h>
#include <cpl_string.h>
#include <gdal_alg.h>
#include <gdal_priv.h>
#include <gdalwarper.h>
#include <ogr_spatialref.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <vector>

#include "gridpack/messages.h"
#include "platform/atomic_file.h"

namespace velkaro {

namespace {

namespace fs = std::filesystem;
namespace text = gridpack_text;

constexpr int kGeographicEpsg = 6668;
constexpr int kBlock = 256;

std::string WithGdalReason(std::string line) {
  const char* why = CPLGetLastErrorMsg();
  if (why && *why) line.append(": ").append(why);
  return line;
}

// Coordinates in (x = longitude or easting, y = latitude or northing) order,
// as geotransforms have them.
bool MakeSrs(int epsg, OGRSpatialReference& srs) {
  if (srs.importFromEPSG(epsg) != OGRERR_NONE) return false;
  srs.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
  return true;
}

void RegisterGdalOnce() {
  static const bool registered = [] {
    GDALAllRegister();
    return true;
  }();
  (void)registered;
}

// Errors become messages of ours; GDAL stays quiet on stderr. The system's
// reason of the first failed file operation (a full disk, a file-size limit)
// is kept: GDAL's own last words after such a failure are often about a
// later step that failed in turn.
class QuietGdal {
 public:
  QuietGdal() { CPLPushErrorHandlerEx(&QuietGdal::note, this); }
  ~QuietGdal() { CPLPopErrorHandler(); }
  QuietGdal(const QuietGdal&) = delete;
  QuietGdal& operator=(const QuietGdal&) = delete;

  const std::string& systemReason() const { return systemReason_; }

 private:
  static void note(CPLErr level, CPLErrorNum, const char*) {
    const int code = errno;
    auto* self = static_cast<QuietGdal*>(CPLGetErrorHandlerUserData());
    if (!self || level < CE_Failure || !self->systemReason_.empty()) return;
    if (code == ENOSPC || code == EFBIG || code == EDQUOT || code == EIO || code == EROFS || code == EACCES)
      self->systemReason_ = std::strerror(code);
  }

  std::string systemReason_;
};

// The files a dataset at `path` consists of (the main file first), so that
// side files such as a .prj or .aux.xml follow the main file.
std::vector<std::string> DatasetFiles(GDALDataset& dataset, const std::string& path) {
  std::vector<std::string> files{path};
  char** list = dataset.GetFileList();
  for (char** f = list; f && *f; ++f)
    if (*f != path) files.emplace_back(*f);
  CSLDestroy(list);
  return files;
}

// A side file written beside the temporary main file carries the temporary
// mark in its name ("out.tmp4711-0.prj"); its final name is the same without
// it. Side files whose names lost the mark are left as they are.
std::string SideFileFinalName(const std::string& side, const std::string& temporaryPath,
                              const std::string& finalPath) {
  // temporary file name = final stem + mark + final extension
  const fs::path final(finalPath);
  const std::string tempName = fs::path(temporaryPath).filename().string();
  const size_t stem = final.stem().string().size(), extension = final.extension().string().size();
  if (tempName.size() <= stem + extension) return side;
  const std::string mark = tempName.substr(stem, tempName.size() - stem - extension);
  const fs::path p(side);
  std::string name = p.filename().string();
  const size_t at = name.find(mark);
  if (at == std::string::npos) return side;
  name.erase(at, mark.size());
  return (p.parent_path() / name).string();
}

}  // namespace

// The output is written under a temporary name beside its final name and
// renamed into place only when complete: a failure or a kill never leaves a
// truncated file under the final name nor destroys the previous one.
struct MosaicWriter::State {
  QuietGdal quiet;
  GDALDataset* dataset = nullptr;
  std::string outPath;
  std::unique_ptr<PendingFile> output;
  // The GeoTIFF the meshes go into: the output's temporary itself, or for
  // other formats a second temporary the output is converted from.
  std::unique_ptr<PendingFile> stage;
  std::vector<std::string> sideFiles;   // of the output's temporary, removed unless renamed
  RasterGrid grid;
  MosaicOptions options;
  OGRSpatialReference geographic, target;
  std::vector<float> window;

  const std::string& stagePath() const { return (stage ? *stage : *output).temporaryPath(); }

  // "writing <out> failed: <why>", the system's reason when a file
  // operation failed, else GDAL's.
  std::string writeFailure() const {
    const std::string line = text::Fill(text::kCannotWrite, outPath);
    return quiet.systemReason().empty() ? WithGdalReason(line) : line + ": " + quiet.systemReason();
  }

  ~State() {
    if (dataset) GDALClose(dataset);
    std::error_code ec;
    for (const std::string& side : sideFiles) fs::remove(side, ec);
  }
};

bool IsWritableRasterFormat(const std::string& format) {
  RegisterGdalOnce();
  GDALDriver* driver = GetGDALDriverManager()->GetDriverByName(format.c_str());
  if (!driver || !driver->GetMetadataItem(GDAL_DCAP_RASTER)) return false;
  return driver->GetMetadataItem(GDAL_DCAP_CREATE) || driver->GetMetadataItem(GDAL_DCAP_CREATECOPY);
}

MosaicWriter::MosaicWriter() = default;

MosaicWriter::~MosaicWriter() = default;

bool MosaicWriter::create(const std::string& outPath, const RasterGrid& grid,
                          const MosaicOptions& options) {
  RegisterGdalOnce();
  state_ = std::make_unique<State>();
  State& s = *state_;
  s.outPath = outPath;
  s.grid = grid;
  s.options = options;
  if (!IsWritableRasterFormat(options.format)) {
    error_ = text::Fill(text::kUnknownFormat, options.format);
    return false;
  }
  GDALDriver* final = GetGDALDriverManager()->GetDriverByName(options.format.c_str());
  const char* types = final->GetMetadataItem(GDAL_DMD_CREATIONDATATYPES);
  if (types && !std::string(types).empty() && std::string(types).find("Float32") == std::string::npos) {
    error_ = text::Fill(text::kNoFloat, options.format);
    return false;
  }
  if (!MakeSrs(kGeographicEpsg, s.geographic) || !MakeSrs(options.epsg, s.target)) {
    error_ = WithGdalReason(text::Fill(text::kBadZone, std::to_string(options.epsg - kGeographicEpsg)));
    return false;
  }
  // A GeoTIFF is built beside the output and renamed into place at the end;
  // other formats are copied from it.
  s.output = std::make_unique<PendingFile>(outPath);
  std::string reason;
  if (!s.output->created(&reason)) {
    error_ = text::Fill(text::kCannotCreate, reason);
    return false;
  }
  if (options.format != "GTiff") {
    s.stage = std::make_unique<PendingFile>((fs::path(outPath).parent_path() /
                                             (fs::path(outPath).stem().string() + ".tif")).string());
    if (!s.stage->created(&reason)) {
      error_ = text::Fill(text::kCannotCreate, reason);
      return false;
    }
  }
  GDALDriver* gtiff = GetGDALDriverManager()->GetDriverByName("GTiff");
  CPLStringList create;
  create.SetNameValue("TILED", "YES");
  create.SetNameValue("BLOCKXSIZE", std::to_string(kBlock).c_str());
  create.SetNameValue("BLOCKYSIZE", std::to_string(kBlock).c_str());
  create.SetNameValue("COMPRESS", "DEFLATE");
  create.SetNameValue("PREDICTOR", "3");
  // Level 1 is twice as fast as the default 6 on DEM mosaics and the files
  // come out about as small: the float predictor does most of the work.
  create.SetNameValue("ZLEVEL", "1");
  create.SetNameValue("BIGTIFF", "IF_SAFER");
  if (options.sparse) create.SetNameValue("SPARSE_OK", "TRUE");
  s.dataset = gtiff->Create(s.stagePath().c_str(), static_cast<int>(grid.cols),
                            static_cast<int>(grid.rows), 1, GDT_Float32, create.List());
  if (!s.dataset) {
    const std::string line = text::Fill(text::kCannotCreate, outPath);
    error_ = s.quiet.systemReason().empty() ? WithGdalReason(line) : line + ": " + s.quiet.systemReason();
    return false;
  }
  double transform[6] = {grid.west, grid.cellX, 0, grid.north, 0, -grid.cellY};
  s.dataset->SetGeoTransform(transform);
  s.dataset->SetSpatialRef(&s.target);
  GDALRasterBand* band = s.dataset->GetRasterBand(1);
  // Blocks never written read back as nodata and are written so at the end.
  band->SetNoDataValue(kMosaicNoData);
  return true;
}

namespace {

// Copies a mesh whose cells are the grid's: read the window, lay the valid
// cells over it, write it back.
bool PlaceAligned(GDALDataset* ds, const RasterGrid& grid, const MeshExtent& mesh, long col,
                  long row, const float* values, std::vector<float>& window) {
  const long c0 = std::max(0L, col), r0 = std::max(0L, row);
  const long c1 = std::min(grid.cols, col + mesh.cols), r1 = std::min(grid.rows, row + mesh.rows);
  if (c0 >= c1 || r0 >= r1) return true;
  const int w = static_cast<int>(c1 - c0), h = static_cast<int>(r1 - r0);
  window.resize(static_cast<size_t>(w) * h);
  GDALRasterBand* band = ds->GetRasterBand(1);
  if (band->RasterIO(GF_Read, static_cast<int>(c0), static_cast<int>(r0), w, h, window.data(), w, h,
                     GDT_Float32, 0, 0) != CE_None)
    return false;
  for (int r = 0; r < h; ++r) {
    const float* from = values + (r0 - row + r) * mesh.cols + (c0 - col);
    float* to = window.data() + static_cast<size_t>(r) * w;
    for (int c = 0; c < w; ++c)
      if (from[c] != kMosaicNoData) to[c] = from[c];
  }
  return band->RasterIO(GF_Write, static_cast<int>(c0), static_cast<int>(r0), w, h, window.data(), w,
                        h, GDT_Float32, 0, 0) == CE_None;
}

// The destination pixel window a source covers, padded for the kernel.
bool DestinationWindow(void* transformer, int srcCols, int srcRows, const RasterGrid& grid, int& x0,
                       int& y0, int& x1, int& y1) {
  constexpr int kSteps = 8;
  double xs[(kSteps + 1) * 4], ys[(kSteps + 1) * 4], zs[(kSteps + 1) * 4] = {};
  int ok[(kSteps + 1) * 4];
  int n = 0;
  for (int i = 0; i <= kSteps; ++i) {
    const double fx = srcCols * double(i) / kSteps, fy = srcRows * double(i) / kSteps;
    xs[n] = fx, ys[n++] = 0;
    xs[n] = fx, ys[n++] = srcRows;
    xs[n] = 0, ys[n++] = fy;
    xs[n] = srcCols, ys[n++] = fy;
  }
  GDALGenImgProjTransform(transformer, FALSE, n, xs, ys, zs, ok);
  double minX = 1e18, minY = 1e18, maxX = -1e18, maxY = -1e18;
  for (int i = 0; i < n; ++i) {
    if (!ok[i]) continue;
    minX = std::min(minX, xs[i]), maxX = std::max(maxX, xs[i]);
    minY = std::min(minY, ys[i]), maxY = std::max(maxY, ys[i]);
  }
  if (minX > maxX) return false;
  x0 = static_cast<int>(std::max(0.0, std::floor(minX) - 2));
  y0 = static_cast<int>(std::max(0.0, std::floor(minY) - 2));
  x1 = static_cast<int>(std::min<double>(grid.cols, std::ceil(maxX) + 2));
  y1 = static_cast<int>(std::min<double>(grid.rows, std::ceil(maxY) + 2));
  return x0 < x1 && y0 < y1;
}

}  // namespace

bool MosaicWriter::place(const MeshExtent& mesh, const float* values) {
  State& s = *state_;
  long col = 0, row = 0;
  if (s.options.epsg == kGeographicEpsg && AlignedPlacement(mesh, s.grid, col, row)) {
    if (PlaceAligned(s.dataset, s.grid, mesh, col, row, values, s.window)) return true;
    error_ = s.writeFailure();
    return false;
  }

  // Resampled: the mesh as an in-memory raster, warped over the mosaic.
  GDALDriver* mem = GetGDALDriverManager()->GetDriverByName("MEM");
  std::unique_ptr<GDALDataset> source(
      mem->Create("", static_cast<int>(mesh.cols), static_cast<int>(mesh.rows), 1, GDT_Float32, nullptr));
  if (!source) return true;
  double transform[6] = {SnapMeshCorner(mesh.lonW), mesh.cellLon(), 0,
                         SnapMeshCorner(mesh.latN), 0, -mesh.cellLat()};
  source->SetGeoTransform(transform);
  source->SetSpatialRef(&s.geographic);
  GDALRasterBand* band = source->GetRasterBand(1);
  band->SetNoDataValue(kMosaicNoData);
  if (band->RasterIO(GF_Write, 0, 0, static_cast<int>(mesh.cols), static_cast<int>(mesh.rows),
                     const_cast<float*>(values), static_cast<int>(mesh.cols),
                     static_cast<int>(mesh.rows), GDT_Float32, 0, 0) != CE_None)
    return true;

  void* transformer = GDALCreateGenImgProjTransformer2(source.get(), s.dataset, nullptr);
  if (!transformer) {
    error_ = s.writeFailure();
    return false;
  }
  int x0, y0, x1, y1;
  bool ok = true;
  if (DestinationWindow(transformer, static_cast<int>(mesh.cols), static_cast<int>(mesh.rows), s.grid,
                        x0, y0, x1, y1)) {
    GDALWarpOptions* wo = GDALCreateWarpOptions();
    wo->hSrcDS = source.get();
    wo->hDstDS = s.dataset;
    wo->nBandCount = 1;
    wo->panSrcBands = static_cast<int*>(CPLMalloc(sizeof(int)));
    wo->panDstBands = static_cast<int*>(CPLMalloc(sizeof(int)));
    wo->panSrcBands[0] = wo->panDstBands[0] = 1;
    wo->eWorkingDataType = GDT_Float32;
    // Coarser output cells take the mean of the finer ones they hold.
    const bool geographic = s.options.epsg == kGeographicEpsg;
    const double metresPerDegree = 111320 * std::cos(SnapMeshCorner(mesh.latN) * M_PI / 180);
    const double srcCell = transform[1] * (geographic ? 1 : metresPerDegree);
    wo->eResampleAlg = s.grid.cellX > srcCell * 1.5 ? GRA_Average : GRA_Bilinear;
    GDALWarpInitSrcNoDataReal(wo, kMosaicNoData);
    GDALWarpInitDstNoDataReal(wo, kMosaicNoData);
    wo->pfnTransformer = GDALGenImgProjTransform;
    wo->pTransformerArg = transformer;
    GDALWarpOperation op;
    ok = op.Initialize(wo) == CE_None && op.ChunkAndWarpImage(x0, y0, x1 - x0, y1 - y0) == CE_None;
    wo->pTransformerArg = nullptr;
    GDALDestroyWarpOptions(wo);
  }
  GDALDestroyGenImgProjTransformer(transformer);
  if (!ok) error_ = s.writeFailure();
  return ok;
}

bool MosaicWriter::finish() {
  State& s = *state_;
  CPLErrorReset();
  if (s.options.overviews) {
    std::vector<int> levels;
    for (long f = 2; std::max(s.grid.cols, s.grid.rows) / f >= kBlock; f *= 2) levels.push_back(static_cast<int>(f));
    if (levels.empty()) levels.push_back(2);
    if (s.dataset->BuildOverviews("AVERAGE", static_cast<int>(levels.size()), levels.data(), 0, nullptr,
                                  nullptr, nullptr) != CE_None) {
      error_ = s.writeFailure();
      return false;
    }
  }
  GDALClose(s.dataset);
  s.dataset = nullptr;
  if (CPLGetLastErrorType() >= CE_Failure) {
    error_ = s.writeFailure();
    return false;
  }
  if (s.options.format == "GTiff") return commitOutput();
  std::unique_ptr<GDALDataset> staged(GDALDataset::Open(s.stagePath().c_str(), GDAL_OF_RASTER | GDAL_OF_READONLY));
  GDALDriver* driver = GetGDALDriverManager()->GetDriverByName(s.options.format.c_str());
  CPLStringList copy;
  if (s.options.format == "COG") {
    copy.SetNameValue("COMPRESS", "DEFLATE");
    copy.SetNameValue("PREDICTOR", "YES");
    copy.SetNameValue("BIGTIFF", "IF_SAFER");
    if (!s.options.overviews) copy.SetNameValue("OVERVIEWS", "NONE");
  }
  const std::string& temporary = s.output->temporaryPath();
  GDALDataset* out = staged ? driver->CreateCopy(temporary.c_str(), staged.get(), FALSE, copy.List(),
                                                  nullptr, nullptr)
                            : nullptr;
  const bool ok = out != nullptr;
  if (out) {
    const std::vector<std::string> files = DatasetFiles(*out, temporary);
    s.sideFiles.assign(files.begin() + 1, files.end());
    GDALClose(out);
  }
  if (!ok || CPLGetLastErrorType() >= CE_Failure) {
    error_ = s.writeFailure();
    return false;
  }
  return commitOutput();
}

// Side files first, the main file last: a complete main file under its final
// name means the whole output is there.
bool MosaicWriter::commitOutput() {
  State& s = *state_;
  const std::string& temporary = s.output->temporaryPath();
  for (auto side = s.sideFiles.begin(); side != s.sideFiles.end();) {
    const std::string target = SideFileFinalName(*side, temporary, s.output->finalPath());
    if (target != *side && std::rename(side->c_str(), target.c_str()) != 0) {
      error_ = text::Fill(text::kCannotPutInPlace, target + ": " + std::strerror(errno));
      return false;
    }
    side = s.sideFiles.erase(side);
  }
  std::string reason;
  if (!s.output->commit(&reason)) {
    error_ = text::Fill(text::kCannotPutInPlace, reason);
    return false;
  }
  return true;
}

bool ZoneMosaicGrid(const RasterGrid& geo, int epsg, double cellMetres, RasterGrid& grid,
                    std::string& error) {
  RegisterGdalOnce();
  QuietGdal quiet;
  OGRSpatialReference from, to;
  if (!MakeSrs(kGeographicEpsg, from) || !MakeSrs(epsg, to)) {
    error = WithGdalReason(text::Fill(text::kBadZone, std::to_string(epsg - kGeographicEpsg)));
    return false;
  }
  std::unique_ptr<OGRCoordinateTransformation> transform(OGRCreateCoordinateTransformation(&from, &to));
  if (!transform) {
    error = WithGdalReason(text::Fill(text::kBadZone, std::to_string(epsg - kGeographicEpsg)));
    return false;
  }
  const double east = geo.west + geo.cols * geo.cellX, south = geo.north - geo.rows * geo.cellY;
  constexpr int kSteps = 32;
  std::vector<double> xs, ys;
  for (int i = 0; i <= kSteps; ++i) {
    const double lon = geo.west + (east - geo.west) * i / kSteps;
    const double lat = south + (geo.north - south) * i / kSteps;
    xs.insert(xs.end(), {lon, lon, geo.west, east});
    ys.insert(ys.end(), {south, geo.north, lat, lat});
  }
  if (!transform->Transform(static_cast<int>(xs.size()), xs.data(), ys.data())) {
    error = WithGdalReason(text::Fill(text::kBadZone, std::to_string(epsg - kGeographicEpsg)));
    return false;
  }
  if (cellMetres <= 0) {
    // Metres per degree along the meridian and the parallel at the middle.
    const double phi = (south + geo.north) / 2 * M_PI / 180;
    const double ns = (111132.92 - 559.82 * std::cos(2 * phi)) * geo.cellY;
    const double ew = (111412.84 * std::cos(phi) - 93.5 * std::cos(3 * phi)) * geo.cellX;
    const double m = std::min(ns, ew);
    cellMetres = m >= 2 ? std::round(m) : std::round(m * 10) / 10;
  }
  const auto [minX, maxX] = std::minmax_element(xs.begin(), xs.end());
  const auto [minY, maxY] = std::minmax_element(ys.begin(), ys.end());
  grid.cellX = grid.cellY = cellMetres;
  grid.west = std::floor(*minX / cellMetres) * cellMetres;
  grid.north = std::ceil(*maxY / cellMetres) * cellMetres;
  grid.cols = static_cast<long>(std::ceil((*maxX - grid.west) / cellMetres));
  grid.rows = static_cast<long>(std::ceil((grid.north - *minY) / cellMetres));
  if (grid.cols <= 0 || grid.rows <= 0 || grid.cols > 0x7fffffff || grid.rows > 0x7fffffff ||
      double(grid.cols) * grid.rows > 1e12) {
    error = text::Fill(text::kBadResolution, std::to_string(cellMetres));
    return false;
  }
  return true;
}

}  // namespace velkaro
