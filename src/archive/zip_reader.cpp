#include "archive/zip_reader.h"

#include <locale.h>

#include <algorithm>

#include "archive/member_names.h"
#include "archive/messages.h"
#include "platform/archive_calls.h"

namespace velkaro {

namespace {

// libarchive converts UTF-8-flagged names to the thread's character set and
// hands other names over as raw bytes. Under the "C" locale the conversion
// fails for every non-ASCII name, so the calls that read names run with a
// UTF-8 LC_CTYPE for this thread only; the process locale is left alone.
class Utf8NamesScope {
 public:
  Utf8NamesScope() {
    const locale_t base = duplocale(LC_GLOBAL_LOCALE);
    if (base == static_cast<locale_t>(0)) return;
    utf8_ = newlocale(LC_CTYPE_MASK, "C.UTF-8", base);
    if (utf8_ == static_cast<locale_t>(0)) {
      freelocale(base);
      return;
    }
    previous_ = uselocale(utf8_);
  }
  ~Utf8NamesScope() {
    if (utf8_ == static_cast<locale_t>(0)) return;
    uselocale(previous_);
    freelocale(utf8_);
  }
  Utf8NamesScope(const Utf8NamesScope&) = delete;
  Utf8NamesScope& operator=(const Utf8NamesScope&) = delete;

 private:
  locale_t utf8_ = static_cast<locale_t>(0);
  locale_t previous_ = static_cast<locale_t>(0);
};

ZipEntryType TypeOf(const ArchiveCalls& c, struct archive_entry* e) {
  if (c.archive_entry_hardlink(e) != nullptr || c.archive_entry_symlink(e) != nullptr)
    return ZipEntryType::Link;
  switch (c.archive_entry_filetype(e)) {
    case AE_IFREG: return ZipEntryType::File;
    case AE_IFDIR: return ZipEntryType::Folder;
    case AE_IFLNK: return ZipEntryType::Link;
    default: return ZipEntryType::Other;
  }
}

}  // namespace

ZipReader::ZipReader() : calls_(LoadArchive(&error_)) {
  if (!calls_) return;   // every call fails with the reason
  archive_ = calls_->archive_read_new();
  // The seekable reader trusts the central directory, as zip tools do; a
  // zip cut short loses it and is refused as a whole.
  if (archive_) calls_->archive_read_support_format_zip_seekable(archive_);
}

ZipReader::~ZipReader() {
  if (archive_) calls_->archive_read_free(archive_);
}

bool ZipReader::fail() {
  if (!calls_) return false;   // error_ names the library that could not be loaded
  const char* why = archive_ ? calls_->archive_error_string(archive_) : nullptr;
  error_ = why ? why : archive_text::kCannotOpen;
  return false;
}

bool ZipReader::openFile(const std::string& path) {
  if (!archive_) return fail();
  Utf8NamesScope names;
  if (calls_->archive_read_open_filename(archive_, path.c_str(), 65536) != ARCHIVE_OK) return fail();
  return true;
}

bool ZipReader::openMemory(std::string_view bytes) {
  if (!archive_) return fail();
  Utf8NamesScope names;
  if (calls_->archive_read_open_memory(archive_, bytes.data(), bytes.size()) != ARCHIVE_OK) return fail();
  return true;
}

bool ZipReader::next(ZipEntry& entry) {
  if (!archive_) return fail();
  const ArchiveCalls& c = *calls_;
  Utf8NamesScope names;
  struct archive_entry* e = nullptr;
  const int r = c.archive_read_next_header(archive_, &e);
  if (r == ARCHIVE_EOF) return false;
  // A warning here is a name that would not convert; the raw bytes (when
  // libarchive kept them) are decoded below like any unflagged name.
  if (r != ARCHIVE_OK && r != ARCHIVE_WARN) return fail();
  const char* raw = c.archive_entry_pathname(e);
  entry.name = raw ? MemberNameToUtf8(raw) : std::string();
  entry.type = TypeOf(c, e);
  entry.size = c.archive_entry_size_is_set(e) ? c.archive_entry_size(e) : -1;
  entry.mtime = c.archive_entry_mtime_is_set(e) ? c.archive_entry_mtime(e) : 0;
  return true;
}

bool ZipReader::readSome(char* buffer, size_t capacity, size_t& got) {
  got = 0;
  if (!archive_) return fail();
  const la_ssize_t n = calls_->archive_read_data(archive_, buffer, capacity);
  if (n < 0) return fail();
  got = static_cast<size_t>(n);
  return true;
}

bool ZipReader::readAll(std::string& bytes, size_t limit) {
  bytes.clear();
  constexpr size_t kPiece = 1 << 16;
  size_t used = 0;
  for (;;) {
    size_t want = kPiece;
    if (limit) {
      if (used >= limit) break;
      want = std::min(want, limit - used);
    }
    bytes.resize(used + want);
    size_t got = 0;
    if (!readSome(bytes.data() + used, want, got)) {
      bytes.clear();
      return false;
    }
    used += got;
    if (got == 0) break;
  }
  bytes.resize(used);
  return true;
}

}  // namespace velkaro
