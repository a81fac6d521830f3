#include "platform/line_stream.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace velkaro {

bool LineStream::open(const std::string& path) {
  close();
  start_ = scanned_ = filled_ = 0;
  failed_ = false;
  fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  atEnd_ = fd_ < 0;
  if (fd_ < 0) return false;
  struct stat st {};
  fileBytes_ = ::fstat(fd_, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0 ? static_cast<size_t>(st.st_size) : 0;
  return true;
}

void LineStream::close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  atEnd_ = true;
}

bool LineStream::more() {
  if (fd_ < 0) return false;
  if (capacity_ - filled_ < chunk_ && start_ > 0) {
    // The unconsumed start of a line goes to the front.
    std::memmove(memory_.get(), memory_.get() + start_, filled_ - start_);
    filled_ -= start_;
    scanned_ -= start_;
    start_ = 0;
  }
  if (capacity_ - filled_ < chunk_) {
    // The first read, or a line longer than the memory held so far.
    const size_t capacity = std::max(capacity_ * 2, filled_ + chunk_);
    auto memory = std::make_unique_for_overwrite<char[]>(capacity);
    if (filled_ > 0) std::memcpy(memory.get(), memory_.get(), filled_);
    memory_ = std::move(memory);
    capacity_ = capacity;
  }
  for (;;) {
    const ssize_t got = ::read(fd_, memory_.get() + filled_, capacity_ - filled_);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) failed_ = true;
    if (got <= 0) return false;
    filled_ += static_cast<size_t>(got);
    return true;
  }
}

}  // namespace velkaro
