#include "platform/archive_calls.h"

namespace velkaro {

// The libraries the program was built against (their names come from the
// build).
VELKARO_DEFINE_CALLS_LOADER(ArchiveCalls, LoadArchive, "libarchive", VELKARO_ARCHIVE_CALLS, VELKARO_ARCHIVE_SONAME)

}  // namespace velkaro
