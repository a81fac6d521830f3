#pragma once
// libtiff's and libgeotiff's calls, looked up when the first GeoTIFF is
// written rather than linked (platform/library_calls.h): libgeotiff needs
// PROJ, and PROJ some thirty libraries more.

#include <geotiff.h>
#include <tiffio.h>
#include <xtiffio.h>

#include <string>

namespace velkaro {

struct TiffCalls {
#define VELKARO_TIFF_CALL(name) decltype(&::name) name = nullptr;
#include "platform/tiff_call_list.h"
#undef VELKARO_TIFF_CALL
};

// The calls, loaded once; null when a library or a call is missing, `error`
// then names it.
const TiffCalls* LoadTiff(std::string* error);

}  // namespace velkaro
