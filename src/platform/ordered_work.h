#pragma once
// Items of a list worked on ahead by a second thread and handed out in the
// list's order: the caller takes item 0, 1, 2, ... and, while the one it
// asks for is still being worked on, works on the next one nobody has
// started, so two cores share the work while whatever is done with the
// results (writing them into one grid, say) stays in order.
// At most kAhead items are worked on beyond the one last taken. An item
// whose work throws is handed out as a fresh Result.

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace velkaro {

template <class Result>
class OrderedWork {
 public:
  static constexpr size_t kAhead = 8;
  // work(index, lane, result): lane is 0 on the taking thread, 1 on the
  // helper, so that each may keep its own state (an open archive, say).
  using Work = std::function<void(size_t index, int lane, Result& result)>;

  // Without `helper` every item is worked on by the taking thread.
  OrderedWork(size_t count, Work work, bool helper = true) : work_(std::move(work)), slots_(count) {
    if (count < 2 || !helper) return;   // nothing to share
    try {
      helper_ = std::thread([this] { helpOut(); });
    } catch (const std::system_error&) {
      // No thread to be had: take() does every item itself.
    }
  }
  ~OrderedWork() {
    {
      std::lock_guard lock(mutex_);
      stopped_ = true;
      changed_.notify_all();
    }
    if (helper_.joinable()) helper_.join();
  }
  OrderedWork(const OrderedWork&) = delete;
  OrderedWork& operator=(const OrderedWork&) = delete;

  // Item `index` worked on, the items asked for in order. While the helper
  // is still on it, `whileWaiting` is called every 50 ms; when it returns
  // false the wait ends and nullptr is returned. The result stays valid
  // until the next take.
  Result* take(size_t index, const std::function<bool()>& whileWaiting) {
    std::unique_lock lock(mutex_);
    if (index > 0 && index - 1 < slots_.size()) slots_[index - 1].result.reset();   // done with
    taken_ = index;
    changed_.notify_all();
    if (index >= slots_.size()) return nullptr;
    while (!slots_[index].done) {
      if (claimed_ < slots_.size() && claimed_ <= taken_ + kAhead) {   // rather than wait, work on the next one
        const size_t mine = claimed_++;
        lock.unlock();
        run(mine, 0);
        lock.lock();
        continue;
      }
      if (changed_.wait_for(lock, std::chrono::milliseconds(50)) == std::cv_status::timeout && whileWaiting) {
        lock.unlock();
        const bool goOn = whileWaiting();
        lock.lock();
        if (!goOn) return nullptr;
      }
    }
    return slots_[index].result.get();
  }

 private:
  struct Slot {
    std::unique_ptr<Result> result;
    bool done = false;
  };

  void run(size_t index, int lane) {
    auto result = std::make_unique<Result>();
    try {
      work_(index, lane, *result);
    } catch (const std::exception&) {
      *result = Result{};   // a failed item hands out a fresh result, which says nothing was done
    }
    std::lock_guard lock(mutex_);
    slots_[index].result = std::move(result);
    slots_[index].done = true;
    changed_.notify_all();
  }

  void helpOut() {
    std::unique_lock lock(mutex_);
    for (;;) {
      changed_.wait(lock, [this] { return stopped_ || claimed_ >= slots_.size() || claimed_ <= taken_ + kAhead; });
      if (stopped_ || claimed_ >= slots_.size()) return;
      const size_t mine = claimed_++;
      lock.unlock();
      run(mine, 1);
      lock.lock();
    }
  }

  Work work_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<Slot> slots_;
  size_t claimed_ = 0;   // items before this one have been started
  size_t taken_ = 0;     // the item last asked for
  bool stopped_ = false;
  std::thread helper_;
};

}  // namespace velkaro
