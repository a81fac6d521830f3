#pragma once
// A zip archive read member by member through libarchive, from a file or
// from bytes in memory (a zip inside a zip). Names come decoded to UTF-8
// (member_names.h); a damaged archive becomes an error text, never a crash.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

struct archive;

namespace velkaro {

struct ArchiveCalls;

enum class ZipEntryType { File, Folder, Link, Other };

struct ZipEntry {
  std::string name;          // UTF-8, "/" separators, as stored (not yet checked)
  ZipEntryType type = ZipEntryType::File;
  int64_t size = -1;         // bytes after expansion; -1 when the archive does not say
  int64_t mtime = 0;         // seconds since the epoch; 0 when unknown
};

class ZipReader {
 public:
  ZipReader();
  ~ZipReader();
  ZipReader(const ZipReader&) = delete;
  ZipReader& operator=(const ZipReader&) = delete;

  // Opens a zip file, or a zip held in memory (the bytes must outlive the
  // reader). False when it is no readable zip; error() says why.
  bool openFile(const std::string& path);
  bool openMemory(std::string_view bytes);

  // Moves to the next member. False at the end (error() empty) or on damage.
  bool next(ZipEntry& entry);

  // Reads the current member's data in pieces of up to `capacity` bytes:
  // `got` is 0 at its end. False on damage.
  bool readSome(char* buffer, size_t capacity, size_t& got);

  // The current member's data, whole or its first `limit` bytes (0: whole).
  bool readAll(std::string& bytes, size_t limit = 0);

  const std::string& error() const { return error_; }

 private:
  bool fail();
  const ArchiveCalls* calls_;   // null: libarchive could not be loaded (error_ says so)
  struct archive* archive_ = nullptr;
  std::string error_;
};

}  // namespace velkaro
