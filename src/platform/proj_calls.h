#pragma once
// PROJ's calls, looked up when the first projection file is written rather
// than linked (platform/library_calls.h): PROJ brings some thirty libraries
// (network, crypto, XML, SQLite).

#include <proj.h>

#include <string>

#include "platform/library_calls.h"

namespace velkaro {

// The PROJ calls the projection files need.
#define VELKARO_PROJ_CALLS(X) \
  X(proj_as_wkt) \
  X(proj_context_create) \
  X(proj_context_destroy) \
  X(proj_create) \
  X(proj_destroy)

struct ProjCalls {
  VELKARO_PROJ_CALLS(VELKARO_CALL_MEMBER)
};

// The calls, loaded once; null when a library or a call is missing, `error`
// then names it.
const ProjCalls* LoadProj(std::string* error);

}  // namespace velkaro
