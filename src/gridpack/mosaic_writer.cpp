#include "gridpack/mosaic_writer.h"

#include <cpl_conv.h>
#include <cpl_error.h>
#include <cpl_string.h>
#include <gdal_alg.h>
#include <gdal_priv.h>
#include <gdalwarper.h>
#include <ogr_spatialref.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <vector>

#include "gridpack/messages.h"

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

// Errors become messages of ours; GDAL stays quiet on stderr.
class QuietGdal {
 public:
  QuietGdal() { CPLPushErrorHandler(CPLQuietErrorHandler); }
  ~QuietGdal() { CPLPopErrorHandler(); }
};

}  // namespace

struct MosaicWriter::State {
  QuietGdal quiet;
  GDALDataset* dataset = nullptr;
  std::string outPath, stagePath;
  RasterGrid grid;
  MosaicOptions options;
  OGRSpatialReference geographic, target;
  std::vector<float> window;

  ~State() {
    if (dataset) GDALClose(dataset);
    std::error_code ec;
    if (!stagePath.empty()) fs::remove(stagePath, ec);
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
  const fs::path out(outPath);
  s.stagePath = (out.parent_path() / ("." + out.filename().string() + ".part.tif")).string();
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
  s.dataset = gtiff->Create(s.stagePath.c_str(), static_cast<int>(grid.cols),
                            static_cast<int>(grid.rows), 1, GDT_Float32, create.List());
  if (!s.dataset) {
    error_ = WithGdalReason(text::Fill(text::kCannotCreate, outPath));
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
    error_ = WithGdalReason(text::Fill(text::kCannotWrite, s.outPath));
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
    error_ = WithGdalReason(text::Fill(text::kCannotWrite, s.outPath));
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
  if (!ok) error_ = WithGdalReason(text::Fill(text::kCannotWrite, s.outPath));
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
      error_ = WithGdalReason(text::Fill(text::kCannotWrite, s.outPath));
      return false;
    }
  }
  GDALClose(s.dataset);
  s.dataset = nullptr;
  if (CPLGetLastErrorType() >= CE_Failure) {
    error_ = WithGdalReason(text::Fill(text::kCannotWrite, s.outPath));
    return false;
  }
  std::error_code ec;
  if (s.options.format == "GTiff") {
    fs::rename(s.stagePath, s.outPath, ec);
    if (ec) {
      error_ = text::Fill(text::kCannotWrite, s.outPath) + ": " + ec.message();
      return false;
    }
    s.stagePath.clear();
    return true;
  }
  std::unique_ptr<GDALDataset> staged(GDALDataset::Open(s.stagePath.c_str(), GDAL_OF_RASTER | GDAL_OF_READONLY));
  GDALDriver* driver = GetGDALDriverManager()->GetDriverByName(s.options.format.c_str());
  CPLStringList copy;
  if (s.options.format == "COG") {
    copy.SetNameValue("COMPRESS", "DEFLATE");
    copy.SetNameValue("PREDICTOR", "YES");
    copy.SetNameValue("BIGTIFF", "IF_SAFER");
    if (!s.options.overviews) copy.SetNameValue("OVERVIEWS", "NONE");
  }
  GDALDataset* out = staged ? driver->CreateCopy(s.outPath.c_str(), staged.get(), FALSE, copy.List(),
                                                  nullptr, nullptr)
                            : nullptr;
  const bool ok = out != nullptr;
  if (out) GDALClose(out);
  if (!ok || CPLGetLastErrorType() >= CE_Failure) {
    error_ = WithGdalReason(text::Fill(text::kCannotWrite, s.outPath));
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
