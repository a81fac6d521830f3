#pragma once
// libtiff's and libgeotiff's calls, looked up when the first GeoTIFF is
// written rather than linked (platform/library_calls.h): libgeotiff needs
// PROJ, and PROJ some thirty libraries more.

#include <geotiff.h>
#include <tiffio.h>
#include <xtiffio.h>

#include <string>

#include "platform/library_calls.h"

namespace velkaro {

// The libtiff and libgeotiff calls the GeoTIFF writer makes.
#define VELKARO_TIFF_CALLS(X) \
  X(GTIFFree) \
  X(GTIFKeySet) \
  X(GTIFNew) \
  X(GTIFWriteKeys) \
  X(TIFFClose) \
  X(TIFFDefaultStripSize) \
  X(TIFFFlush) \
  X(TIFFOpenExt) \
  X(TIFFOpenOptionsAlloc) \
  X(TIFFOpenOptionsFree) \
  X(TIFFOpenOptionsSetErrorHandlerExtR) \
  X(TIFFOpenOptionsSetWarningHandlerExtR) \
  X(TIFFSetField) \
  X(TIFFWriteScanline) \
  X(XTIFFInitialize)

struct TiffCalls {
  VELKARO_TIFF_CALLS(VELKARO_CALL_MEMBER)
};

// The calls, loaded once; null when a library or a call is missing, `error`
// then names it.
const TiffCalls* LoadTiff(std::string* error);

}  // namespace velkaro
