#pragma once
// Files replaced whole or not at all. The content is written under a
// temporary name in the final file's folder, flushed to the disk and then
// renamed over the final name, so a crash, a kill or a full disk never leaves
// a truncated file under the final name and never destroys the previous one.
//
// A writer that produces the whole file in one go adopts this in one line:
//
//   return WriteFileAtomically(path, [&](const std::string& temp, std::string& reason) {
//     return WriteMyFormat(image, temp, reason);   // writes the complete file at temp
//   }, error);
//
// A writer that keeps its file open over a long time (an animation) holds a
// PendingFile, writes to temporaryPath() and calls commit() at the end.

#include <functional>
#include <string>
#include <string_view>

#include "platform/interrupt_cleanup.h"

namespace velkaro {

// The temporary name a file at path is written under: in the same folder,
// with the same extension (tools that choose the format by the extension
// still work), told apart by the process id and a counter:
// "/out/tokyo_A0.bmp" -> "/out/tokyo_A0.tmp4711-0.bmp".
std::string TemporaryNameFor(const std::string& path);
// True for a name TemporaryNameFor can produce (the file name only).
bool IsTemporaryName(std::string_view fileName);
// Removes from `folder` the temporaries of process `pid`: those a process
// that was killed (SIGKILL, a crash) could not remove itself. Returns how
// many went.
int RemoveTemporariesOf(const std::string& folder, long pid);

// A file being written under its temporary name. The destructor removes the
// temporary unless commit() succeeded, so every return path and every
// exception cleans up after itself.
class PendingFile {
 public:
  explicit PendingFile(std::string finalPath);
  // Takes over a temporary another process wrote for finalPath and handed
  // over: it must be a regular file with a temporary name in finalPath's
  // folder, else created() is false (EINVAL) and nothing is touched.
  PendingFile(std::string finalPath, std::string writtenTemporary);
  ~PendingFile();
  PendingFile(const PendingFile&) = delete;
  PendingFile& operator=(const PendingFile&) = delete;

  const std::string& finalPath() const { return finalPath_; }
  const std::string& temporaryPath() const { return temporaryPath_; }
  // False when the temporary could not be created (a read-only or missing
  // folder); *error then holds "<final path>: <system's reason>" and errno
  // the code.
  bool created(std::string* error) const;

  // Flushes the temporary to the disk, gives it the permissions of the file
  // it replaces and renames it into place. On failure returns false with
  // "<final path>: <system's reason>" in *error (errno set to the code) and
  // removes the temporary.
  bool commit(std::string* error);
  // Writes bytes as the whole temporary (commit() flushes them). On failure
  // returns false with "<final path>: <system's reason>" in *error and
  // removes the temporary.
  bool write(std::string_view bytes, std::string* error);
  // The same, the temporary filled by `fill` given it open for writing
  // (false with the reason in errno).
  bool writeThrough(const std::function<bool(int fd)>& fill, std::string* error);
  // Writes bytes as the whole temporary and flushes them to the disk now, so
  // that a later commit() has little left to do but the rename. On failure
  // returns false with "<final path>: <system's reason>" in *error and
  // removes the temporary.
  bool stage(std::string_view bytes, std::string* error);
  // Removes the temporary (the final name is left as it was).
  void discard();
  // Leaves the temporary to another process: returns its path (empty when
  // there is none) and forgets it here.
  std::string handOver();

 private:
  bool failWith(int code, std::string* error);
  int flushTemporary(const std::string* keepModeOf) const;

  std::string finalPath_;      // a symbolic link's target, so the link stays
  std::string temporaryPath_;
  int createErrno_ = 0;         // why the temporary could not be created
  bool done_ = false;
  TemporaryMark mark_;          // removes the temporary when the program is interrupted
};

// Writes the complete file at the temporary path given; on failure returns
// false and may put the reason into `reason` (left empty, the system's reason
// for the last failed call, strerror(errno), is used).
using FileFiller = std::function<bool(const std::string& temporaryPath, std::string& reason)>;

// Runs fill on a temporary name and renames the result into place. On any
// failure the final name keeps its previous file (or stays absent), the
// temporary is removed and *error holds "<path>: <reason>".
bool WriteFileAtomically(const std::string& path, const FileFiller& fill, std::string* error);
// The same for bytes already in memory.
bool WriteFileAtomically(const std::string& path, std::string_view bytes, std::string* error);

// Writes all bytes to an open descriptor, retrying short writes and EINTR.
// False with errno set on failure.
bool WriteAllBytes(int fd, std::string_view bytes);

}  // namespace velkaro
