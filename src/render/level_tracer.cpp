#include "render/level_tracer.h"

#include <chrono>
#include <new>
#include <system_error>

namespace velkaro {

LevelTracer::LevelTracer(ContourTracer& tracer, ContourStore& store, double first, double lowest,
                         double interval, bool ownThread)
    : tracer_(tracer), store_(store), level_(first), lowest_(lowest), interval_(interval) {
  if (!ownThread) return;
  try {
    thread_ = std::thread([this] { run(); });
  } catch (const std::system_error&) {
    // No thread to be had: next() traces each level itself.
  }
}

LevelTracer::~LevelTracer() {
  stop();
  if (thread_.joinable()) thread_.join();
}

void LevelTracer::stop() {
  stop_ = true;
  std::lock_guard lock(mutex_);
  changed_.notify_all();
}

// One level into `out`. A level whose tracing ended early (a full store, an
// abort) is the last one.
bool LevelTracer::traceNext(TracedLevel& out) {
  if (finished_ || stop_ || !(level_ >= lowest_)) return false;
  out.level = level_;
  store_.clear();
  try {
    out.outcome = tracer_.TraceLevel(level_, serial_, [this] { return !stop_.load(); });
    out.lines.assign(store_.base(), store_.base() + store_.end());
  } catch (const std::bad_alloc&) {
    out.outcome = TraceOutcome::StoreFull;   // no room for the level's lines
    out.lines.clear();
  }
  if (out.outcome != TraceOutcome::Kept) finished_ = true;
  level_ = level_ - interval_ + 1e-9;
  serial_ += 1;
  return true;
}

void LevelTracer::run() {
  for (;;) {
    TracedLevel level;
    if (!traceNext(level)) break;
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return !ready_ || stop_; });
    if (stop_) break;
    ready_ = std::move(level);
    changed_.notify_all();
  }
  std::lock_guard lock(mutex_);
  done_ = true;
  changed_.notify_all();
}

bool LevelTracer::next(TracedLevel& out, const std::function<void()>& whileWaiting) {
  if (!thread_.joinable()) return traceNext(out);
  std::unique_lock lock(mutex_);
  while (!ready_ && !done_) {
    if (changed_.wait_for(lock, std::chrono::milliseconds(50)) == std::cv_status::timeout && whileWaiting) {
      lock.unlock();
      whileWaiting();
      lock.lock();
    }
  }
  if (!ready_) return false;
  out = std::move(*ready_);
  ready_.reset();
  changed_.notify_all();
  return true;
}

}  // namespace velkaro
