#include "output/tile_commits.h"

#include <system_error>
#include <utility>

namespace velkaro {

TileCommits::~TileCommits() {
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  wake_.notify_one();
  if (thread_.joinable()) thread_.join();
}

void TileCommits::add(std::unique_ptr<PendingFile> file) {
  std::unique_lock<std::mutex> lock(mutex_);
  if (!thread_.joinable() && !withoutThread_) {
    try {
      thread_ = std::thread(&TileCommits::work, this);
    } catch (const std::system_error&) {
      withoutThread_ = true;   // no thread to be had (a process limit): commit here
    }
  }
  if (withoutThread_) {
    lock.unlock();
    std::string error;
    const bool committed = file->commit(&error);
    lock.lock();
    if (!committed && failure_.empty()) failure_ = error;
    return;
  }
  waiting_.push_back(std::move(file));
  lock.unlock();
  wake_.notify_one();
}

std::string TileCommits::failure() {
  const std::lock_guard<std::mutex> lock(mutex_);
  return failure_;
}

std::string TileCommits::finish() {
  std::unique_lock<std::mutex> lock(mutex_);
  idle_.wait(lock, [this] { return waiting_.empty() && !committing_; });
  return failure_;
}

// Commits the files in the order they came; stops only once none waits.
void TileCommits::work() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    wake_.wait(lock, [this] { return stop_ || !waiting_.empty(); });
    if (waiting_.empty()) return;   // stopping with nothing left
    std::unique_ptr<PendingFile> file = std::move(waiting_.front());
    waiting_.pop_front();
    committing_ = true;
    lock.unlock();
    std::string error;
    const bool committed = file->commit(&error);
    file.reset();
    lock.lock();
    committing_ = false;
    if (!committed && failure_.empty()) failure_ = error;
    if (waiting_.empty()) idle_.notify_all();
  }
}

}  // namespace velkaro
