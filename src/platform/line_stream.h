#pragma once
// A file read front to back a chunk at a time, its lines handed out one by
// one. The chunk's memory stays in the core's cache and is kept for the next
// file: a reader that takes a 15 MB file apart line by line need not first
// copy all of it into memory of its own (fresh memory the system must clear
// before the copy overwrites it, in every process that reads one).

#include <cstddef>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

namespace velkaro {

class LineStream {
 public:
  // Bytes read at a time; tests read with a few to cross every boundary.
  explicit LineStream(size_t chunkBytes = size_t{256} << 10) : chunk_(chunkBytes < 1 ? 1 : chunkBytes) {}
  ~LineStream() { close(); }
  LineStream(const LineStream&) = delete;
  LineStream& operator=(const LineStream&) = delete;

  // Opens the file at `path` for reading from its start (a file still open
  // is closed first); false when it cannot be opened.
  bool open(const std::string& path);
  // The next line: '\n' ends a line and is not part of it; the last line
  // may end at the end of the file instead (an empty file has no line).
  // The line stays valid until the next call. False at the end of the file
  // or on a read error (see failed()).
  bool next(std::string_view& line);
  // Whether a read failed (lines before the failure were handed out).
  bool failed() const { return failed_; }
  // The size the file had when it was opened (0 for a special file).
  size_t fileBytes() const { return fileBytes_; }
  void close();

 private:
  // Reads more bytes after the unconsumed ones, moving them to the front
  // or growing the memory when there is no room; false at the end of the
  // file or on an error.
  bool more();

  size_t chunk_;
  std::unique_ptr<char[]> memory_;
  size_t capacity_ = 0;
  size_t start_ = 0;    // the first byte not yet handed out
  size_t scanned_ = 0;  // the bytes from start_ to here hold no line end
  size_t filled_ = 0;   // the bytes read
  size_t fileBytes_ = 0;
  bool atEnd_ = true, failed_ = false;
  int fd_ = -1;
};

// Inline: a reader asks for every one of a file's million lines.
inline bool LineStream::next(std::string_view& line) {
  for (;;) {
    char* const memory = memory_.get();
    const void* nl = filled_ > scanned_ ? std::memchr(memory + scanned_, '\n', filled_ - scanned_) : nullptr;
    if (nl) {
      const size_t end = static_cast<size_t>(static_cast<const char*>(nl) - memory);
      line = std::string_view(memory + start_, end - start_);
      start_ = scanned_ = end + 1;
      return true;
    }
    scanned_ = filled_;
    if (atEnd_) {
      if (failed_ || start_ == filled_) return false;
      line = std::string_view(memory + start_, filled_ - start_);
      start_ = scanned_ = filled_;
      return true;
    }
    if (!more()) atEnd_ = true;
  }
}

}  // namespace velkaro
