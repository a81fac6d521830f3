#include "platform/tiff_calls.h"

namespace velkaro {

// The libraries the program was built against (their names come from the
// build).
VELKARO_DEFINE_CALLS_LOADER(TiffCalls, LoadTiff, "libgeotiff", VELKARO_TIFF_CALLS, VELKARO_GEOTIFF_SONAME,
                            VELKARO_TIFF_SONAME)

}  // namespace velkaro
