#include "platform/tiff_calls.h"

#include <vector>

namespace velkaro {

namespace {

bool Fill(TiffCalls& calls, std::string& error) {
  std::vector<void*> libraries;
  const char* const what = "libgeotiff";
  // The libraries the program was built against (their names come from the
  // build).
  return OpenLibraries({VELKARO_GEOTIFF_SONAME, VELKARO_TIFF_SONAME}, what, libraries, error)
         VELKARO_TIFF_CALLS(VELKARO_FIND_CALL);
}

}  // namespace

const TiffCalls* LoadTiff(std::string* error) { return CallsLoadedOnce<TiffCalls>(Fill, error); }

}  // namespace velkaro
