#pragma once
// libarchive's reading calls, looked up when the first zip is opened rather
// than linked (platform/library_calls.h): libarchive brings a dozen
// compression, crypto and XML libraries.

#include <archive.h>
#include <archive_entry.h>

#include <string>

#include "platform/library_calls.h"

namespace velkaro {

// The libarchive calls the zip reader makes.
#define VELKARO_ARCHIVE_CALLS(X) \
  X(archive_entry_filetype) \
  X(archive_entry_hardlink) \
  X(archive_entry_mtime) \
  X(archive_entry_mtime_is_set) \
  X(archive_entry_pathname) \
  X(archive_entry_size) \
  X(archive_entry_size_is_set) \
  X(archive_entry_symlink) \
  X(archive_error_string) \
  X(archive_read_data) \
  X(archive_read_free) \
  X(archive_read_new) \
  X(archive_read_next_header) \
  X(archive_read_open_filename) \
  X(archive_read_open_memory) \
  X(archive_read_support_format_zip_seekable)

struct ArchiveCalls {
  VELKARO_ARCHIVE_CALLS(VELKARO_CALL_MEMBER)
};

// The calls, loaded once; null when a library or a call is missing, `error`
// then names it.
const ArchiveCalls* LoadArchive(std::string* error);

}  // namespace velkaro
