#pragma once
// Contour levels traced on a thread of their own, one level ahead of the
// drawing: while the lines of one level are drawn, the next level is traced.
// The tracing reads the grid and writes its own store; the drawing gets a
// copy of each level's lines, so the two never share memory.

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "elevation/contours.h"

namespace velkaro {

struct TracedLevel {
  double level = 0;
  TraceOutcome outcome = TraceOutcome::Kept;
  std::vector<CellPair> lines;   // the store's entries: count and flag, then the points
};

class LevelTracer {
 public:
  // Levels from `first` down to `lowest` in steps of `interval`, as the
  // drawing always stepped them.
  // Without `ownThread`, next() traces each level itself.
  LevelTracer(ContourTracer& tracer, ContourStore& store, double first, double lowest, double interval,
              bool ownThread = true);
  ~LevelTracer();
  LevelTracer(const LevelTracer&) = delete;
  LevelTracer& operator=(const LevelTracer&) = delete;

  // The next traced level; false when there are no more. While it waits it
  // calls `whileWaiting` now and then (the host's pump).
  bool next(TracedLevel& out, const std::function<void()>& whileWaiting);
  // Stops the tracing at its next line; next() then returns false.
  void stop();

 private:
  bool traceNext(TracedLevel& out);   // false when the levels are done
  void run();

  ContourTracer& tracer_;
  ContourStore& store_;
  double level_, lowest_, interval_, serial_ = 1;
  bool finished_ = false;   // no level after the last one traced

  std::mutex mutex_;
  std::condition_variable changed_;
  std::optional<TracedLevel> ready_;
  bool done_ = false;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

}  // namespace velkaro
