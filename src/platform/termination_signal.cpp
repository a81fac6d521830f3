#include "platform/termination_signal.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

#include "platform/stop_signals.h"

namespace velkaro {
namespace {

// The handler can reach nothing but a plain value: the write end of the pipe
// of the one TerminationSignal alive.
volatile std::sig_atomic_t g_writeFd = -1;
struct sigaction g_previous[kStopSignalCount] {};
bool g_caught[kStopSignalCount] = {};

extern "C" void OnTermination(int) {
  const int savedErrno = errno;  // the interrupted code may be reading errno
  const char byte = 'T';
  // A full pipe already holds a wake-up; the byte lost then changes nothing.
  [[maybe_unused]] const ssize_t written = ::write(g_writeFd, &byte, 1);
  errno = savedErrno;
}

bool MakePipe(int& readFd, int& writeFd) {
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) return false;
  readFd = fds[0];
  writeFd = fds[1];
  return true;
}

}  // namespace

TerminationSignal::TerminationSignal() {
  if (g_writeFd != -1 || !MakePipe(readFd_, writeFd_)) return;
  g_writeFd = writeFd_;
  struct sigaction sa {};
  sa.sa_handler = OnTermination;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = SA_RESTART;  // reads and waits of the program go on undisturbed
  if (!CatchStopSignals(sa, g_previous, g_caught)) {
    g_writeFd = -1;
    ::close(readFd_);
    ::close(writeFd_);
    readFd_ = writeFd_ = -1;
    return;
  }
  installed_ = true;
}

TerminationSignal::~TerminationSignal() {
  if (installed_) {
    RestoreStopSignals(g_previous, g_caught);
    g_writeFd = -1;
  }
  if (readFd_ >= 0) ::close(readFd_);
  if (writeFd_ >= 0) ::close(writeFd_);
}

bool TerminationSignal::consume() {
  if (readFd_ < 0) return false;
  bool arrived = false;
  char bytes[64];
  for (;;) {
    const ssize_t n = ::read(readFd_, bytes, sizeof bytes);
    if (n > 0) {
      arrived = true;
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    return arrived;  // empty (EAGAIN) or closed
  }
}

}  // namespace velkaro
