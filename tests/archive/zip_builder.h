#pragma once
// Zips built in memory by the tests with libarchive: members given by path
// and bytes, in order. A member whose bytes are a zip makes a zip inside a zip.

#include <archive.h>
#include <archive_entry.h>

#include <string>
#include <utility>
#include <vector>

namespace velkaro::testing {

using ZipContents = std::vector<std::pair<std::string, std::string>>;

inline std::string ZipBytes(const ZipContents& members) {
  std::string out;
  struct archive* a = archive_write_new();
  archive_write_set_format_zip(a);
  archive_write_set_bytes_in_last_block(a, 1);
  archive_write_open(
      a, &out, nullptr,
      [](struct archive*, void* data, const void* buffer, size_t length) -> la_ssize_t {
        static_cast<std::string*>(data)->append(static_cast<const char*>(buffer), length);
        return static_cast<la_ssize_t>(length);
      },
      nullptr);
  for (const auto& [name, bytes] : members) {
    struct archive_entry* e = archive_entry_new();
    archive_entry_set_pathname(e, name.c_str());
    archive_entry_set_filetype(e, AE_IFREG);
    archive_entry_set_perm(e, 0644);
    archive_entry_set_size(e, static_cast<la_int64_t>(bytes.size()));
    archive_write_header(a, e);
    archive_write_data(a, bytes.data(), bytes.size());
    archive_entry_free(e);
  }
  archive_write_close(a);
  archive_write_free(a);
  return out;
}

}  // namespace velkaro::testing
