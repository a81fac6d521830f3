#include "platform/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>

namespace velkaro {
namespace fs = std::filesystem;

namespace {

constexpr std::string_view kTemporaryMark = ".tmp";

// The file a save replaces: the target of a symbolic link, so the link stays.
std::string ReplacedFile(const std::string& path) {
  std::error_code ec;
  if (!fs::is_symlink(path, ec)) return path;
  const fs::path target = fs::weakly_canonical(path, ec);
  return ec ? path : target.string();
}

std::string SystemReason(const std::string& path, int code) {
  return path + ": " + std::strerror(code != 0 ? code : EIO);
}

// The folder of path, "." for a bare file name.
std::string FolderOf(const std::string& path) {
  const fs::path folder = fs::path(path).parent_path();
  return folder.empty() ? std::string(".") : folder.string();
}

// Makes the rename itself durable; a folder that cannot be opened or synced
// (some network file systems) is no reason to fail a save that took place.
void SyncFolder(const std::string& path) {
  const int fd = ::open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

// Fills an existing file whole through `fill`, given it open for writing.
bool WriteWhole(const std::string& path, const std::function<bool(int fd)>& fill) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
  if (fd < 0) return false;
  const bool written = fill(fd);
  const int writeErrno = errno;
  const bool closed = ::close(fd) == 0;
  if (!written) errno = writeErrno;
  return written && closed;
}

bool WriteWhole(const std::string& path, std::string_view bytes) {
  return WriteWhole(path, [bytes](int fd) { return WriteAllBytes(fd, bytes); });
}

bool IsDigits(std::string_view text) {
  if (text.empty()) return false;
  for (char ch : text)
    if (ch < '0' || ch > '9') return false;
  return true;
}

}  // namespace

std::string TemporaryNameFor(const std::string& path) {
  // One sequence per process: names stay unique across jobs and threads.
  static std::atomic<unsigned> sequence{0};
  const fs::path p(path);
  const std::string tag =
      std::string(kTemporaryMark) + std::to_string(::getpid()) + "-" + std::to_string(sequence++);
  return (p.parent_path() / (p.stem().string() + tag + p.extension().string())).string();
}

namespace {

// The process id in a temporary name ("" when the name is none).
std::string_view WriterOfTemporary(std::string_view fileName) {
  // <stem>.tmp<pid>-<n><extension>
  const size_t mark = fileName.rfind(kTemporaryMark);
  if (mark == std::string_view::npos) return {};
  std::string_view rest = fileName.substr(mark + kTemporaryMark.size());
  const size_t dash = rest.find('-');
  if (dash == std::string_view::npos || !IsDigits(rest.substr(0, dash))) return {};
  const std::string_view pid = rest.substr(0, dash);
  rest.remove_prefix(dash + 1);
  const size_t dot = rest.find('.');
  return IsDigits(rest.substr(0, dot)) ? pid : std::string_view();
}

}  // namespace

bool IsTemporaryName(std::string_view fileName) { return !WriterOfTemporary(fileName).empty(); }

int RemoveTemporariesOf(const std::string& folder, long pid) {
  const std::string writer = std::to_string(pid);
  int removed = 0;
  std::error_code ec;
  for (auto it = fs::directory_iterator(folder, ec); !ec && it != fs::directory_iterator(); it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (WriterOfTemporary(name) != writer || !it->is_regular_file(ec)) continue;
    if (::unlink(it->path().c_str()) == 0) ++removed;
  }
  return removed;
}

PendingFile::PendingFile(std::string finalPath) : finalPath_(ReplacedFile(finalPath)) {
  // Reserve a fresh name; a leftover of another process is never overwritten.
  for (int attempt = 0; attempt < 100; ++attempt) {
    temporaryPath_ = TemporaryNameFor(finalPath_);
    // Marked before it exists: an interrupt right after the file appears
    // still finds it marked.
    mark_.mark(temporaryPath_);
    const int fd = ::open(temporaryPath_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) {
      ::close(fd);
      return;
    }
    mark_.release();   // leaves errno as open set it
    if (errno != EEXIST) break;
  }
  createErrno_ = errno != 0 ? errno : EEXIST;
  done_ = true;  // nothing to remove
}

PendingFile::PendingFile(std::string finalPath, std::string writtenTemporary)
    : finalPath_(ReplacedFile(finalPath)), temporaryPath_(std::move(writtenTemporary)) {
  // Only a regular file under a temporary name beside the final one.
  const fs::path temp(temporaryPath_);
  struct stat st {};
  const bool beside = temp.parent_path().lexically_normal() == fs::path(finalPath_).parent_path().lexically_normal() &&
                      IsTemporaryName(temp.filename().string());
  if (beside && ::lstat(temporaryPath_.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
    mark_.mark(temporaryPath_);
    return;
  }
  createErrno_ = beside ? (errno != 0 ? errno : EINVAL) : EINVAL;
  done_ = true;  // not ours to remove
}

PendingFile::~PendingFile() { discard(); }

std::string PendingFile::handOver() {
  if (done_) return {};
  done_ = true;
  mark_.release();
  return temporaryPath_;
}

bool PendingFile::created(std::string* error) const {
  if (createErrno_ == 0) return true;
  if (error) *error = SystemReason(finalPath_, createErrno_);
  errno = createErrno_;
  return false;
}

bool PendingFile::failWith(int code, std::string* error) {
  if (error) *error = SystemReason(finalPath_, code);
  discard();
  errno = code;  // for callers that report errno codes
  return false;
}

// Flushes the temporary to the disk, first giving it the permissions of
// the file at `keepModeOf` when that is a regular file; 0 or the errno.
int PendingFile::flushTemporary(const std::string* keepModeOf) const {
  const int fd = ::open(temporaryPath_.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return errno;
  struct stat old {};
  if (keepModeOf && ::stat(keepModeOf->c_str(), &old) == 0 && S_ISREG(old.st_mode)) ::fchmod(fd, old.st_mode & 07777);
  const int code = ::fsync(fd) == 0 ? 0 : errno;
  ::close(fd);
  return code;
}

bool PendingFile::write(std::string_view bytes, std::string* error) {
  return writeThrough([bytes](int fd) { return WriteAllBytes(fd, bytes); }, error);
}

bool PendingFile::writeThrough(const std::function<bool(int fd)>& fill, std::string* error) {
  if (!created(error)) return false;
  if (done_) {
    if (error) *error = SystemReason(finalPath_, ENOENT);
    errno = ENOENT;
    return false;
  }
  errno = 0;
  if (WriteWhole(temporaryPath_, fill)) return true;
  return failWith(errno != 0 ? errno : EIO, error);
}

bool PendingFile::stage(std::string_view bytes, std::string* error) {
  if (!write(bytes, error)) return false;
  const int code = flushTemporary(nullptr);
  return code == 0 || failWith(code, error);
}

void PendingFile::discard() {
  if (done_) return;
  ::unlink(temporaryPath_.c_str());
  mark_.release();
  done_ = true;
}

bool PendingFile::commit(std::string* error) {
  if (!created(error)) {
    errno = createErrno_;
    return false;
  }
  if (done_) {
    if (error) *error = SystemReason(finalPath_, ENOENT);
    return false;
  }
  // The replacement keeps the permissions of the file it replaces.
  if (const int code = flushTemporary(&finalPath_); code != 0) return failWith(code, error);
  if (std::rename(temporaryPath_.c_str(), finalPath_.c_str()) != 0) return failWith(errno, error);
  mark_.release();
  done_ = true;
  SyncFolder(finalPath_);
  return true;
}

bool WriteFileAtomically(const std::string& path, const FileFiller& fill, std::string* error) {
  PendingFile file(path);
  if (!file.created(error)) return false;
  std::string reason;
  errno = 0;
  if (!fill(file.temporaryPath(), reason)) {
    if (reason.empty()) reason = std::strerror(errno != 0 ? errno : EIO);
    if (error) *error = file.finalPath() + ": " + reason;
    return false;
  }
  return file.commit(error);
}

bool WriteFileAtomically(const std::string& path, std::string_view bytes, std::string* error) {
  return WriteFileAtomically(
      path, [bytes](const std::string& temporaryPath, std::string&) { return WriteWhole(temporaryPath, bytes); },
      error);
}

bool WriteAllBytes(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (n == 0) {
      errno = EIO;
      return false;
    }
    bytes.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

}  // namespace velkaro
