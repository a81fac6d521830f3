#include "platform/interrupt_cleanup.h"

#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>

#include "platform/stop_signals.h"

namespace velkaro {
namespace {

// A slot of the table goes Free -> Writing (the path is being copied in) ->
// Marked. The handler takes a Marked slot to Removing before it reads the
// path, so a path is never rewritten while the handler reads it: a slot the
// handler took is never handed out again (the program ends anyway).
enum SlotState : int { kFree, kWriting, kMarked, kRemoving };

constexpr int kSlots = 32;

struct Slot {
  std::atomic<int> state{kFree};
  char path[PATH_MAX];
};

Slot g_slots[kSlots];

static_assert(std::atomic<int>::is_always_lock_free, "the handler needs lock-free marks");

extern "C" void RemoveMarkedTemporaries(int signal) {
  const int savedErrno = errno;
  for (Slot& slot : g_slots) {
    int expected = kMarked;
    if (slot.state.compare_exchange_strong(expected, kRemoving)) ::unlink(slot.path);
  }
  errno = savedErrno;
  // End as the signal would have ended the program.
  std::signal(signal, SIG_DFL);
  std::raise(signal);
}

}  // namespace

bool RemoveTemporariesOnInterrupt() {
  struct sigaction action {};
  action.sa_handler = RemoveMarkedTemporaries;
  sigemptyset(&action.sa_mask);
  for (const int signal : kStopSignals) sigaddset(&action.sa_mask, signal);
  return CatchStopSignals(action);
}

void TemporaryMark::mark(const std::string& path) {
  release();
  if (path.empty() || path.size() >= PATH_MAX) return;
  for (int i = 0; i < kSlots; ++i) {
    int expected = kFree;
    if (!g_slots[i].state.compare_exchange_strong(expected, kWriting)) continue;
    std::memcpy(g_slots[i].path, path.c_str(), path.size() + 1);
    g_slots[i].state.store(kMarked);
    slot_ = i;
    return;
  }
}

void TemporaryMark::release() {
  if (slot_ < 0) return;
  int expected = kMarked;
  g_slots[slot_].state.compare_exchange_strong(expected, kFree);
  slot_ = -1;
}

}  // namespace velkaro
