#pragma once
// A polite kill (SIGTERM), Ctrl-C in the terminal (SIGINT) or the terminal
// closing (SIGHUP) turned into a readable descriptor for a program that
// waits in an event loop. The handler only writes one byte into a pipe,
// which is all a signal handler may safely do; the event loop watches the
// read end and does the real work (aborting a job, closing windows) outside
// the handler.

namespace velkaro {

class TerminationSignal {
 public:
  // Installs the handler for the three signals, leaving SIGHUP ignored when
  // the program was started with it ignored (platform/stop_signals.h). One object
  // per process at a time; their previous handling comes back with the
  // destructor.
  TerminationSignal();
  ~TerminationSignal();
  TerminationSignal(const TerminationSignal&) = delete;
  TerminationSignal& operator=(const TerminationSignal&) = delete;

  // False when the pipe or a handler could not be set up; the signals then
  // keep their previous handling.
  bool installed() const { return installed_; }
  // The end to watch for reading; -1 when not installed.
  int readDescriptor() const { return readFd_; }
  // Empties the pipe; true when at least one of the signals had arrived
  // since the last call.
  bool consume();

 private:
  int readFd_ = -1;
  int writeFd_ = -1;
  bool installed_ = false;
};

}  // namespace velkaro
