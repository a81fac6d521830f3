#pragma once
// PROJ's calls, looked up when the first projection file is written rather
// than linked (platform/library_calls.h): PROJ brings some thirty libraries
// (network, crypto, XML, SQLite).

#include <proj.h>

#include <string>

namespace velkaro {

struct ProjCalls {
#define VELKARO_PROJ_CALL(name) decltype(&::name) name = nullptr;
#include "platform/proj_call_list.h"
#undef VELKARO_PROJ_CALL
};

// The calls, loaded once; null when the library or a call is missing,
// `error` then names it.
const ProjCalls* LoadProj(std::string* error);

}  // namespace velkaro
