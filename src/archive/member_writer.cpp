#include "archive/member_writer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "archive/zip_reader.h"
#include "platform/interrupt_cleanup.h"

namespace velkaro {

namespace {

namespace fs = std::filesystem;

constexpr size_t kPiece = 1 << 16;

// A temporary file beside the target; removed unless committed.
class PartFile {
 public:
  explicit PartFile(const fs::path& target)
      : target_(target), part_(target.parent_path() / ("." + target.filename().string() + ".part")) {}
  ~PartFile() {
    if (file_) std::fclose(file_);
    if (!committed_) {
      std::error_code ec;
      fs::remove(part_, ec);
    }
  }
  bool open() {
    // Marked before it exists: an interrupt right after the file appears
    // still finds it marked.
    mark_.mark(part_.string());
    file_ = std::fopen(part_.c_str(), "wb");
    if (!file_) mark_.release();
    return file_ != nullptr;
  }
  bool write(const char* data, size_t n) { return n == 0 || std::fwrite(data, 1, n, file_) == n; }
  bool commit(long long mtime) {
    const bool flushed = std::fflush(file_) == 0;
    const bool closed = std::fclose(file_) == 0;
    file_ = nullptr;
    if (!flushed || !closed) return false;
    if (mtime > 0) {
      const struct timespec times[2] = {{static_cast<time_t>(mtime), 0},
                                        {static_cast<time_t>(mtime), 0}};
      ::utimensat(AT_FDCWD, part_.c_str(), times, 0);
    }
    std::error_code ec;
    fs::rename(part_, target_, ec);
    committed_ = !ec;
    if (committed_) mark_.release();
    return committed_;
  }

 private:
  fs::path target_, part_;
  std::FILE* file_ = nullptr;
  bool committed_ = false;
  TemporaryMark mark_;   // the part file goes if the program is interrupted
};

// Copies the first `count` bytes of `from` into `part`.
bool CopyPrefix(const fs::path& from, size_t count, PartFile& part) {
  std::FILE* in = std::fopen(from.c_str(), "rb");
  if (!in) return false;
  std::vector<char> buffer(kPiece);
  bool ok = true;
  while (ok && count > 0) {
    const size_t want = count < kPiece ? count : kPiece;
    ok = std::fread(buffer.data(), 1, want, in) == want && part.write(buffer.data(), want);
    count -= want;
  }
  std::fclose(in);
  return ok;
}

}  // namespace

MemberWrite WriteMember(ZipReader& reader, const fs::path& target, long long mtime, bool overwrite,
                        std::string& error) {
  std::error_code ec;
  const fs::file_status status = fs::symlink_status(target, ec);
  if (fs::exists(status) && !fs::is_regular_file(status)) return MemberWrite::Conflict;

  std::vector<char> piece(kPiece), old(kPiece);
  PartFile part(target);
  bool writing = false;
  std::FILE* existing = fs::exists(status) ? std::fopen(target.c_str(), "rb") : nullptr;
  size_t same = 0;   // leading bytes equal to the existing file
  auto startWriting = [&]() -> bool {
    writing = true;
    if (!part.open()) return false;
    return same == 0 || CopyPrefix(target, same, part);
  };
  if (!existing && !startWriting()) {
    error = std::strerror(errno);
    return MemberWrite::WriteFailed;
  }
  MemberWrite result = MemberWrite::Written;
  for (;;) {
    size_t got = 0;
    if (!reader.readSome(piece.data(), piece.size(), got)) {
      result = MemberWrite::ReadFailed;
      error = reader.error();
      break;
    }
    if (!writing) {
      const size_t have = got ? std::fread(old.data(), 1, got, existing) : 0;
      bool equal = have == got && std::memcmp(old.data(), piece.data(), got) == 0;
      // At the member's end the existing file must end too.
      if (got == 0) equal = std::fgetc(existing) == EOF;
      if (equal) {
        if (got == 0) {
          result = MemberWrite::Identical;
          break;
        }
        same += got;
        continue;
      }
      if (!overwrite) {
        result = MemberWrite::Conflict;
        break;
      }
      if (!startWriting()) {
        result = MemberWrite::WriteFailed;
        error = std::strerror(errno);
        break;
      }
    }
    if (got == 0) {
      if (!part.commit(mtime)) {
        result = MemberWrite::WriteFailed;
        error = std::strerror(errno);
      }
      break;
    }
    if (!part.write(piece.data(), got)) {
      result = MemberWrite::WriteFailed;
      error = std::strerror(errno);
      break;
    }
  }
  if (existing) std::fclose(existing);
  return result;
}

}  // namespace velkaro
