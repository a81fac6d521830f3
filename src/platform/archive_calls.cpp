#include "platform/archive_calls.h"

#include <vector>

namespace velkaro {

namespace {

bool Fill(ArchiveCalls& calls, std::string& error) {
  std::vector<void*> libraries;
  const char* const what = "libarchive";
  // The libraries the program was built against (their names come from the
  // build).
  return OpenLibraries({VELKARO_ARCHIVE_SONAME}, what, libraries, error)
         VELKARO_ARCHIVE_CALLS(VELKARO_FIND_CALL);
}

}  // namespace

const ArchiveCalls* LoadArchive(std::string* error) { return CallsLoadedOnce<ArchiveCalls>(Fill, error); }

}  // namespace velkaro
