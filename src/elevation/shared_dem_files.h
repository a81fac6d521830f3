#pragma once
// DEM files taken apart once for all the worker processes of a run. The
// tiles of two workers meet along a line, and the grids of tiles on both
// sides (with their margins) overlap the same 10 m and 5 m files: without
// sharing, each worker reads and takes apart every such file itself.
//
// The store is a folder the workers share. A file's entry holds its
// taken-apart values; a lock beside it (flock) is held by the process
// taking the file apart, so another process that wants the same file
// waits for the entry instead of doing the work twice. A lock dies with
// its process: a waiter that finds no entry after the wait takes the file
// apart itself. Each process removes its own oldest entries beyond its
// share of the byte limit. Entries are a cache of this machine's run:
// written in its byte order, never flushed to the disk.

#include <cstddef>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>

#include "elevation/dem_readers.h"

namespace velkaro {

class SharedDemFiles {
 public:
  // `folder` exists and is shared by the run's workers; `byteLimit` is
  // this process's share of the bytes the entries may take.
  SharedDemFiles(std::string folder, size_t byteLimit) : folder_(std::move(folder)), byteLimit_(byteLimit) {}

  // The right to take one file apart, or the entry another process left.
  class Turn {
   public:
    Turn(Turn&& other) noexcept;
    Turn(const Turn&) = delete;
    Turn& operator=(const Turn&) = delete;
    Turn& operator=(Turn&&) = delete;
    ~Turn();   // releases the lock
    // The file as another process took it apart; null when it is ours to do.
    const std::shared_ptr<const DemXmlParsed>& found() const { return found_; }
    // Leaves the taken-apart file for the other processes (nothing on a
    // write failure: they then take it apart themselves).
    void publish(const DemXmlParsed& parsed);

   private:
    friend class SharedDemFiles;
    Turn(SharedDemFiles& store, std::string key, int lockFd) : store_(&store), key_(std::move(key)), lockFd_(lockFd) {}
    SharedDemFiles* store_;
    std::string key_;
    int lockFd_;
    std::shared_ptr<const DemXmlParsed> found_;
  };

  // Waits while another process takes the file of `key` apart, then hands
  // out its entry or the turn to do it. Safe on any thread; a second turn
  // for a key whose turn this process still holds would wait forever.
  Turn turnFor(const std::string& key);
  // The same without waiting: nothing while another process holds the
  // file's lock (it is taking the file apart).
  std::optional<Turn> turnIfFree(const std::string& key);

  // The entry file of a key (its lock is the same name with ".lock").
  std::string entryPath(const std::string& key) const;

 private:
  std::optional<Turn> turn(const std::string& key, bool wait);
  void published(std::string path, size_t bytes);
  std::shared_ptr<const DemXmlParsed> entryOf(const std::string& entry, const std::string& key) const;

  std::string folder_;
  size_t byteLimit_;
  std::mutex mutex_;
  size_t bytes_ = 0;
  std::deque<std::pair<std::string, size_t>> ownEntries_;   // oldest first
};

// An entry is a head (the key and everything but the values) followed by
// the values. Writing returns false on a failed or short write; reading
// checks the sizes, the key and that the values end the file, and gives
// null on anything else.
bool WriteDemEntry(int fd, const std::string& key, const DemXmlParsed& parsed);
std::shared_ptr<const DemXmlParsed> ReadDemEntry(int fd, const std::string& key);

}  // namespace velkaro
