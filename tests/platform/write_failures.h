#pragma once
// Running a write in a forked child under hostile conditions: a file-size
// limit standing in for a full disk, or an unprivileged user facing a
// read-only folder. The child hands back whether the write succeeded and its
// message.

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <string>

namespace velkaro::testing {

struct ChildWrite {
  bool ran = false;        // the child finished normally
  bool succeeded = false;  // what the write returned
  std::string message;     // the write's error text
};

enum class WriteCondition {
  FileSizeLimit,  // writes beyond limitBytes fail with EFBIG, like a full disk
  Unprivileged,   // runs as "nobody", so folders not its own are read-only
};

// Runs write(error) in a child under the condition.
inline ChildWrite RunWriteInChild(WriteCondition condition, long limitBytes,
                                  const std::function<bool(std::string*)>& write) {
  int fds[2];
  if (::pipe(fds) != 0) return {};
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::close(fds[0]);
    if (condition == WriteCondition::FileSizeLimit) {
      ::signal(SIGXFSZ, SIG_IGN);  // the write fails instead of killing the child
      rlimit limit{static_cast<rlim_t>(limitBytes), static_cast<rlim_t>(limitBytes)};
      ::setrlimit(RLIMIT_FSIZE, &limit);
    } else if (::geteuid() == 0) {
      if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(3);
    }
    std::string error;
    const bool ok = write(&error);
    const std::string report = (ok ? "1" : "0") + error;
    ssize_t ignored = ::write(fds[1], report.data(), report.size());
    (void)ignored;
    ::_exit(0);
  }
  ::close(fds[1]);
  std::string report;
  char buffer[4096];
  ssize_t n;
  while ((n = ::read(fds[0], buffer, sizeof buffer)) > 0) report.append(buffer, static_cast<size_t>(n));
  ::close(fds[0]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  ChildWrite result;
  result.ran = WIFEXITED(status) && WEXITSTATUS(status) == 0 && !report.empty();
  if (result.ran) {
    result.succeeded = report[0] == '1';
    result.message = report.substr(1);
  }
  return result;
}

}  // namespace velkaro::testing
