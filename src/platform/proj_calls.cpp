#include "platform/proj_calls.h"

#include <vector>

#include "platform/library_calls.h"

namespace velkaro {

namespace {

bool Fill(ProjCalls& calls, std::string& error) {
  std::vector<void*> libraries;
  if (!OpenLibraries({VELKARO_PROJ_SONAME}, "PROJ", libraries, error)) return false;
#define VELKARO_PROJ_CALL(name) \
  if (!FindCall(libraries, #name, "PROJ", calls.name, error)) return false;
#include "platform/proj_call_list.h"
#undef VELKARO_PROJ_CALL
  return true;
}

}  // namespace

const ProjCalls* LoadProj(std::string* error) { return CallsLoadedOnce<ProjCalls>(Fill, error); }

}  // namespace velkaro
