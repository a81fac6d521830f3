#pragma once
// Temporary files removed when a program is interrupted half-way (Ctrl-C, a
// polite kill, a closed terminal). The companion programs write long files
// (a mosaic of gigabytes, a large zip member) under temporary names; without
// this, an interrupt left the temporary behind beside its final name.
//
// A file being written under a temporary name holds a TemporaryMark for as
// long as the name exists. A program that wants the cleaning calls
// RemoveTemporariesOnInterrupt() once at its start: on SIGINT, SIGTERM or
// SIGHUP (SIGHUP only when not ignored, as under nohup:
// platform/stop_signals.h) the handler removes every marked temporary and then ends the
// program by the same signal, as it would have ended without the handler.
// The handler does no more than unlink(), which a signal handler may do; the
// marks live in a fixed table it can read without a lock.

#include <string>

namespace velkaro {

// Installs the handlers; false when one could not be installed.
bool RemoveTemporariesOnInterrupt();

class TemporaryMark {
 public:
  TemporaryMark() = default;
  explicit TemporaryMark(const std::string& path) { mark(path); }
  ~TemporaryMark() { release(); }
  TemporaryMark(const TemporaryMark&) = delete;
  TemporaryMark& operator=(const TemporaryMark&) = delete;

  // Marks `path` in place of what was marked before (no mark when the table
  // is full or the path too long: the file is then left behind by an
  // interrupt, as it was without the table).
  void mark(const std::string& path);
  // Drops the mark: the file was renamed into place or removed.
  void release();
  bool marked() const { return slot_ >= 0; }

 private:
  int slot_ = -1;
};

}  // namespace velkaro
