#pragma once
// Tiles put in place on a thread of their own. A tile is written whole under
// its temporary name at once; flushing it to the disk and renaming it into
// place waits for the disk (about a millisecond and a half for a 2 MB tile),
// and that waiting is done here while the next tile is drawn.

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "platform/atomic_file.h"

namespace velkaro {

class TileCommits {
 public:
  TileCommits() = default;
  ~TileCommits();   // commits what is still waiting
  TileCommits(const TileCommits&) = delete;
  TileCommits& operator=(const TileCommits&) = delete;

  // Hands over a file written under its temporary name, to be committed.
  void add(std::unique_ptr<PendingFile> file);
  // The first commit that failed so far ("<path>: <system's reason>"), empty
  // when none did.
  std::string failure();
  // Waits until every file handed over is committed or has failed; returns
  // the first failure.
  std::string finish();

 private:
  void work();

  std::mutex mutex_;
  std::condition_variable wake_, idle_;
  std::deque<std::unique_ptr<PendingFile>> waiting_;
  bool committing_ = false;
  bool stop_ = false;
  bool withoutThread_ = false;
  std::string failure_;
  std::thread thread_;   // started with the first file
};

}  // namespace velkaro
