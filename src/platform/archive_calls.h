#pragma once
// libarchive's reading calls, looked up when the first zip is opened rather
// than linked (platform/library_calls.h): libarchive brings a dozen
// compression, crypto and XML libraries.

#include <archive.h>
#include <archive_entry.h>

#include <string>

namespace velkaro {

struct ArchiveCalls {
#define VELKARO_ARCHIVE_CALL(name) decltype(&::name) name = nullptr;
#include "platform/archive_call_list.h"
#undef VELKARO_ARCHIVE_CALL
};

// The calls, loaded once; null when the library or a call is missing,
// `error` then names it.
const ArchiveCalls* LoadArchive(std::string* error);

}  // namespace velkaro
