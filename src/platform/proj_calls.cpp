#include "platform/proj_calls.h"

#include <vector>

namespace velkaro {

namespace {

bool Fill(ProjCalls& calls, std::string& error) {
  std::vector<void*> libraries;
  const char* const what = "PROJ";
  // The libraries the program was built against (their names come from the
  // build).
  return OpenLibraries({VELKARO_PROJ_SONAME}, what, libraries, error)
         VELKARO_PROJ_CALLS(VELKARO_FIND_CALL);
}

}  // namespace

const ProjCalls* LoadProj(std::string* error) { return CallsLoadedOnce<ProjCalls>(Fill, error); }

}  // namespace velkaro
