#include "output/geotiff_writer.h"

#include <QImage>

#include <geotiff.h>
#include <geovalues.h>
#include <tiffio.h>
#include <xtiffio.h>

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
#include "render/gl_view.h"
#include "render/render_surface.h"

namespace velkaro {

namespace {

constexpr int kFirstPlaneZoneEpsg = 6669;   // JGD2011 / Japan Plane Rectangular CS I
constexpr int kAngularDegree = 9102;

// Zone number in two characters, right-aligned: " 9", "10".
std::string TwoCharacterZone(int zone) {
  char text[8];
  std::snprintf(text, sizeof text, "%2d", zone);
  return text;
}

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
  void operator()(TIFF* tif) const { TIFFClose(tif); }
};
using TiffHandle = std::unique_ptr<TIFF, TiffCloser>;

// Opens path for writing a little-endian TIFF with the GeoTIFF tags known to
// libtiff; errors go to *libError instead of stderr.
TiffHandle OpenForWriting(const std::string& path, TiffErrors* libError) {
  XTIFFInitialize();
  TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
  TIFFOpenOptionsSetErrorHandlerExtR(options, KeepFirstError, libError);
  TIFFOpenOptionsSetWarningHandlerExtR(options, IgnoreWarning, nullptr);
  TiffHandle tif(TIFFOpenExt(path.c_str(), "wl", options));
  TIFFOpenOptionsFree(options);
  return tif;
}

bool SetImageTags(TIFF* tif, const QRect& crop) {
  return TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, static_cast<uint32_t>(crop.width())) &&
         TIFFSetField(tif, TIFFTAG_IMAGELENGTH, static_cast<uint32_t>(crop.height())) &&
         TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8) && TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 3) &&
         TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB) &&
         TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG) &&
         TIFFSetField(tif, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT) &&
         TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_LZW) &&
         TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(tif, 0));
}

bool SetGeoTags(TIFF* tif, const GeoTiffGeoreference& geo) {
  // Both model tags are arrays of DOUBLE, written as such.
  if (!TIFFSetField(tif, TIFFTAG_GEOPIXELSCALE, 3, geo.pixelScale.data()) ||
      !TIFFSetField(tif, TIFFTAG_GEOTIEPOINTS, 6, geo.tiepoint.data()))
    return false;
  GTIF* keys = GTIFNew(tif);
  if (!keys) return false;
  GTIFKeySet(keys, GTModelTypeGeoKey, TYPE_SHORT, 1, geo.geographic ? ModelTypeGeographic : ModelTypeProjected);
  GTIFKeySet(keys, GTRasterTypeGeoKey, TYPE_SHORT, 1, RasterPixelIsArea);
  GTIFKeySet(keys, GeographicTypeGeoKey, TYPE_SHORT, 1, GCSE_GRS1980);
  GTIFKeySet(keys, GeogCitationGeoKey, TYPE_ASCII, 0, geo.citation.c_str());
  GTIFKeySet(keys, GeogAngularUnitsGeoKey, TYPE_SHORT, 1, kAngularDegree);
  if (geo.projectedCrs != 0) GTIFKeySet(keys, ProjectedCSTypeGeoKey, TYPE_SHORT, 1, geo.projectedCrs);
  const bool written = GTIFWriteKeys(keys) != 0;
  GTIFFree(keys);
  return written;
}

// Rows of the 32-bit frame as 8-bit R, G, B samples.
bool WritePixels(TIFF* tif, const QImage& frame, const QRect& crop) {
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
    if (TIFFWriteScanline(tif, row.data(), static_cast<uint32_t>(y), 0) < 0) return false;
  }
  return TIFFFlush(tif) != 0;
}

}  // namespace

int PlaneZoneEpsg(int zone) {
  return zone >= 1 && zone <= 19 ? kFirstPlaneZoneEpsg + zone - 1 : 0;
}

GeoTiffGeoreference GeoreferenceOfTile(const JobContext& job) {
  GeoTiffGeoreference geo;
  geo.geographic = job.coords.latLonMode;
  const double unitsPerMapUnit = geo.geographic || job.coords.unitScale <= 0 ? 1.0 : job.coords.unitScale;
  const double unitsPerPixel = job.image.unitsPerPixel / unitsPerMapUnit;
  geo.pixelScale = {unitsPerPixel / job.image.latFactor, unitsPerPixel, 0.0};
  geo.tiepoint = {0.0, 0.0, 0.0, job.tile.west / unitsPerMapUnit, job.tile.north / unitsPerMapUnit, 0.0};
  if (geo.geographic) {
    geo.citation = "JGD2000";
  } else {
    geo.citation = "JGD2000 CS" + TwoCharacterZone(job.coords.zone);
    geo.projectedCrs = PlaneZoneEpsg(job.coords.zone);
  }
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
  // No half-written tile ever carries the final name.
  return WriteFileAtomically(
      path,
      [&](const std::string& temporaryPath, std::string& reason) {
        TiffErrors errors;
        errno = 0;
        TiffHandle tif = OpenForWriting(temporaryPath, &errors);
        if (!tif) {
          if (errors.systemError == 0) errors.systemError = errno;
          reason = TiffFailureReason(errors);
          return false;
        }
        const bool written = SetImageTags(tif.get(), crop) && SetGeoTags(tif.get(), geo) &&
                             WritePixels(tif.get(), frame, crop);
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
  if (WriteGeoTiffFile(frame, GeoTiffCropRect(job, frame.width(), frame.height()), GeoreferenceOfTile(job),
                       outputName, &error))
    return;
  // A tile that could not be written stops the job at once.
  job.host.ask(geotiff_messages::kWriteCaption, error, Buttons::Ok);
  job.errorText = error;
  job.runFlag = false;
}

}  // namespace velkaro
