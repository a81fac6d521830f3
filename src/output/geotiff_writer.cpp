#include "output/geotiff_writer.h"

#include <QImage>

#include <geovalues.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "job/job_context.h"
#include "output/geotiff_messages.h"
#include "platform/atomic_file.h"
#include "platform/tiff_calls.h"
#include "render/gl_view.h"
#include "render/render_surface.h"

namespace velkaro {

namespace {

constexpr int kAngularDegree = 9102;
constexpr int kLinearMetre = 9001;

// libtiff reports through a callback; the first error of one file is kept,
// with the system's reason of the failed call that led to it.
struct TiffErrors {
  std::string text;
  int systemError = 0;
};

// Returning 1 tells libtiff the message was handled (nothing on stderr).
int KeepFirstError(TIFF*, void* userData, const char*, const char* format, va_list args) {
  auto* errors = static_cast<TiffErrors*>(userData);
  if (errors->text.empty()) {
    errors->systemError = errno;
    char text[512];
    std::vsnprintf(text, sizeof text, format, args);
    errors->text = text;
  }
  return 1;
}

int IgnoreWarning(TIFF*, void*, const char*, const char*, va_list) { return 1; }

struct TiffCloser {
  const TiffCalls* c;
  void operator()(TIFF* tif) const { c->TIFFClose(tif); }
};
using TiffHandle = std::unique_ptr<TIFF, TiffCloser>;

// Opens path for writing a little-endian TIFF with the GeoTIFF tags known to
// libtiff; errors go to *libError instead of stderr.
TiffHandle OpenForWriting(const TiffCalls& c, const std::string& path, TiffErrors* libError) {
  c.XTIFFInitialize();
  TIFFOpenOptions* options = c.TIFFOpenOptionsAlloc();
  c.TIFFOpenOptionsSetErrorHandlerExtR(options, KeepFirstError, libError);
  c.TIFFOpenOptionsSetWarningHandlerExtR(options, IgnoreWarning, nullptr);
  TiffHandle tif(c.TIFFOpenExt(path.c_str(), "wl", options), TiffCloser{&c});
  c.TIFFOpenOptionsFree(options);
  return tif;
}

bool SetImageTags(const TiffCalls& c, TIFF* tif, const QRect& crop) {
  return c.TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, static_cast<uint32_t>(crop.width())) &&
         c.TIFFSetField(tif, TIFFTAG_IMAGELENGTH, static_cast<uint32_t>(crop.height())) &&
         c.TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8) && c.TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 3) &&
         c.TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB) &&
         c.TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG) &&
         c.TIFFSetField(tif, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT) &&
         c.TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_LZW) &&
         c.TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, c.TIFFDefaultStripSize(tif, 0));
}

bool SetGeoTags(const TiffCalls& c, TIFF* tif, const GeoTiffGeoreference& geo) {
  // Both model tags are arrays of DOUBLE, written as such.
  if (!c.TIFFSetField(tif, TIFFTAG_GEOPIXELSCALE, 3, geo.pixelScale.data()) ||
      !c.TIFFSetField(tif, TIFFTAG_GEOTIEPOINTS, 6, geo.tiepoint.data()))
    return false;
  GTIF* keys = c.GTIFNew(tif);
  if (!keys) return false;
  // One coordinate system, named by its EPSG code alone: a geographic key
  // beside a projected one would make readers build a second, conflicting
  // definition.
  const TileCoordinateSystem& crs = geo.crs;
  c.GTIFKeySet(keys, GTModelTypeGeoKey, TYPE_SHORT, 1, crs.geographic ? ModelTypeGeographic : ModelTypeProjected);
  c.GTIFKeySet(keys, GTRasterTypeGeoKey, TYPE_SHORT, 1, RasterPixelIsArea);
  c.GTIFKeySet(keys, GTCitationGeoKey, TYPE_ASCII, 0, crs.name.c_str());
  if (crs.geographic) {
    c.GTIFKeySet(keys, GeographicTypeGeoKey, TYPE_SHORT, 1, crs.epsg);
    c.GTIFKeySet(keys, GeogAngularUnitsGeoKey, TYPE_SHORT, 1, kAngularDegree);
  } else {
    c.GTIFKeySet(keys, ProjectedCSTypeGeoKey, TYPE_SHORT, 1, crs.epsg);
    c.GTIFKeySet(keys, ProjLinearUnitsGeoKey, TYPE_SHORT, 1, kLinearMetre);
  }
  const bool written = c.GTIFWriteKeys(keys) != 0;
  c.GTIFFree(keys);
  return written;
}

// Rows of the 32-bit frame as 8-bit R, G, B samples.
bool WritePixels(const TiffCalls& c, TIFF* tif, const QImage& frame, const QRect& crop) {
  const QImage rgb32 = frame.format() == QImage::Format_RGB32 || frame.format() == QImage::Format_ARGB32
                           ? frame
                           : frame.convertToFormat(QImage::Format_RGB32);
  std::vector<uint8_t> row(static_cast<size_t>(crop.width()) * 3);
  for (int y = 0; y < crop.height(); ++y) {
    const auto* source = reinterpret_cast<const QRgb*>(rgb32.constScanLine(crop.top() + y)) + crop.left();
    uint8_t* out = row.data();
    for (int x = 0; x < crop.width(); ++x) {
      *out++ = static_cast<uint8_t>(qRed(source[x]));
      *out++ = static_cast<uint8_t>(qGreen(source[x]));
      *out++ = static_cast<uint8_t>(qBlue(source[x]));
    }
    if (c.TIFFWriteScanline(tif, row.data(), static_cast<uint32_t>(y), 0) < 0) return false;
  }
  return c.TIFFFlush(tif) != 0;
}

}  // namespace

GeoTiffGeoreference GeoreferenceOfTile(const JobContext& job, const QRect& crop) {
  GeoTiffGeoreference geo;
  geo.crs = CoordinateSystemOfJob(job);
  const double perJobUnit = FileUnitsPerJobUnit(job);
  const double west = job.tile.west * perJobUnit, east = job.tile.east * perJobUnit;
  const double north = job.tile.north * perJobUnit, south = job.tile.south * perJobUnit;
  // The whole pixels of the crop span the tile's box exactly, so that the
  // tiles of a job meet edge to edge without overlap or gap.
  const double width = crop.width() > 0 ? crop.width() : 1, height = crop.height() > 0 ? crop.height() : 1;
  geo.pixelScale = {(east - west) / width, (north - south) / height, 0.0};
  geo.tiepoint = {0.0, 0.0, 0.0, west, north, 0.0};
  return geo;
}

QRect GeoTiffCropRect(const JobContext& job, int surfaceWidth, int surfaceHeight) {
  const PixelRectF map = MapRect(job);
  const int left = static_cast<int>(std::trunc(map.left));
  const int top = static_cast<int>(std::trunc(map.top));
  const int width = std::max(1L, std::lround(map.right - map.left));
  const int height = std::max(1L, std::lround(map.bottom - map.top));
  return QRect(left, top, width, height).intersected(QRect(0, 0, surfaceWidth, surfaceHeight));
}

namespace {

// The reason a TIFF write failed: the system's reason when a system call
// failed (a full disk), libtiff's own text otherwise.
std::string TiffFailureReason(const TiffErrors& errors) {
  if (errors.systemError != 0)
    return std::strerror(errors.systemError) + (errors.text.empty() ? "" : " (" + errors.text + ")");
  return errors.text.empty() ? "TIFF write failed" : errors.text;
}

}  // namespace

bool WriteGeoTiffFile(const QImage& frame, const QRect& crop, const GeoTiffGeoreference& geo,
                      const std::string& path, std::string* error) {
  if (crop.isEmpty() || !frame.rect().contains(crop)) {
    if (error) *error = path + ": the map lies outside the image";
    return false;
  }
  const TiffCalls* calls = CallsForWriting(LoadTiff, path, error);
  if (!calls) return false;
  const TiffCalls& c = *calls;
  // No half-written tile ever carries the final name.
  return WriteFileAtomically(
      path,
      [&](const std::string& temporaryPath, std::string& reason) {
        TiffErrors errors;
        errno = 0;
        TiffHandle tif = OpenForWriting(c, temporaryPath, &errors);
        if (!tif) {
          if (errors.systemError == 0) errors.systemError = errno;
          reason = TiffFailureReason(errors);
          return false;
        }
        const bool written = SetImageTags(c, tif.get(), crop) && SetGeoTags(c, tif.get(), geo) &&
                             WritePixels(c, tif.get(), frame, crop);
        const int writeErrno = errno;
        tif.reset();  // closing writes the last strip and the directory
        if (written && errors.text.empty()) return true;
        if (errors.systemError == 0) errors.systemError = writeErrno;
        reason = TiffFailureReason(errors);
        return false;
      },
      error);
}

void WriteGeoTiff(JobContext& job, const std::string& outputName) {
  if (outputName.empty() || !job.surface) return;
  const QImage& frame = job.surface->frame();
  std::string error;
  const QRect crop = GeoTiffCropRect(job, frame.width(), frame.height());
  if (WriteGeoTiffFile(frame, crop, GeoreferenceOfTile(job, crop), outputName, &error))
    return;
  // A tile that could not be written stops the job at once.
  job.host.ask(geotiff_messages::kWriteCaption, error, Buttons::Ok);
  job.errorText = error;
  job.runFlag = false;
}

}  // namespace velkaro
