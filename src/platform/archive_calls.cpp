#include "platform/archive_calls.h"

#include <vector>

#include "platform/library_calls.h"

namespace velkaro {

namespace {

bool Fill(ArchiveCalls& calls, std::string& error) {
  std::vector<void*> libraries;
  if (!OpenLibraries({VELKARO_ARCHIVE_SONAME}, "libarchive", libraries, error)) return false;
#define VELKARO_ARCHIVE_CALL(name) \
  if (!FindCall(libraries, #name, "libarchive", calls.name, error)) return false;
#include "platform/archive_call_list.h"
#undef VELKARO_ARCHIVE_CALL
  return true;
}

}  // namespace

const ArchiveCalls* LoadArchive(std::string* error) { return CallsLoadedOnce<ArchiveCalls>(Fill, error); }

}  // namespace velkaro
