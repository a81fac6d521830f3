#include "platform/tiff_calls.h"

#include <vector>

#include "platform/library_calls.h"

namespace velkaro {

namespace {

bool Fill(TiffCalls& calls, std::string& error) {
  std::vector<void*> libraries;
  // The libraries the program was built against (their names come from the
  // build).
  if (!OpenLibraries({VELKARO_GEOTIFF_SONAME, VELKARO_TIFF_SONAME}, "libgeotiff", libraries, error)) return false;
#define VELKARO_TIFF_CALL(name) \
  if (!FindCall(libraries, #name, "libgeotiff", calls.name, error)) return false;
#include "platform/tiff_call_list.h"
#undef VELKARO_TIFF_CALL
  return true;
}

}  // namespace

const TiffCalls* LoadTiff(std::string* error) { return CallsLoadedOnce<TiffCalls>(Fill, error); }

}  // namespace velkaro
