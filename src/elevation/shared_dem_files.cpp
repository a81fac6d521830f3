#include "elevation/shared_dem_files.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "platform/atomic_file.h"
#include "platform/whole_file.h"

namespace velkaro {

namespace {

constexpr char kMagic[8] = {'V', 'K', 'D', 'E', 'M', '0', '2', '\n'};

template <class T>
void Put(std::string& out, T value) {
  out.append(reinterpret_cast<const char*>(&value), sizeof value);
}

// Reads fixed-size fields off a head, noting a read past its end.
class HeadReader {
 public:
  explicit HeadReader(std::string_view bytes) : rest_(bytes) {}
  template <class T>
  T get() {
    T value{};
    if (rest_.size() < sizeof value) {
      ok_ = false;
      return value;
    }
    std::memcpy(&value, rest_.data(), sizeof value);
    rest_.remove_prefix(sizeof value);
    return value;
  }
  bool ok() const { return ok_; }

 private:
  std::string_view rest_;
  bool ok_ = true;
};

// The head after the key: outcome, kind, flags, header and value count.
constexpr size_t kFieldBytes = 4 + 4 + 1 + 1 + 4 * 8 + 4 * 8 + 4 + 8;

// The head is padded to whole doubles, so the values of a mapped entry lie
// aligned.
size_t HeadBytes(const std::string& key) {
  const size_t bytes = sizeof kMagic + 4 + key.size() + kFieldBytes;
  return (bytes + sizeof(double) - 1) / sizeof(double) * sizeof(double);
}

std::string HeadOf(const std::string& key, const DemXmlParsed& parsed) {
  std::string head(kMagic, sizeof kMagic);
  Put<uint32_t>(head, static_cast<uint32_t>(key.size()));
  head += key;
  Put<int32_t>(head, static_cast<int32_t>(parsed.outcome));
  Put<int32_t>(head, parsed.kindFound);
  Put<uint8_t>(head, parsed.loaded ? 1 : 0);
  Put<uint8_t>(head, parsed.tuplesOk ? 1 : 0);
  const DemXmlHeader& h = parsed.header;
  for (double d : {h.lowerLat, h.lowerLon, h.upperLat, h.upperLon}) Put<double>(head, d);
  for (long n : {h.width, h.height, h.startX, h.startY}) Put<int64_t>(head, n);
  Put<uint32_t>(head, h.found);
  Put<uint64_t>(head, parsed.allValues().size());
  head.resize(HeadBytes(key), '\0');
  return head;
}

uint64_t Fnv1a(std::string_view text) {
  uint64_t hash = 0xcbf29ce484222325ULL;
  for (const unsigned char c : text) hash = (hash ^ c) * 0x100000001b3ULL;
  return hash;
}

}  // namespace

bool WriteDemEntry(int fd, const std::string& key, const DemXmlParsed& parsed) {
  const std::string head = HeadOf(key, parsed);
  const std::span<const double> all = parsed.allValues();
  const std::string_view values(reinterpret_cast<const char*>(all.data()), all.size() * sizeof(double));
  return WriteAllBytes(fd, head) && WriteAllBytes(fd, values);
}

// The entry is mapped read-only and its values used where they lie: no
// copy, and the pages are those the writing process left in the cache.
// Entries are only ever renamed into place and unlinked, never shortened,
// so the mapping stays whole.
std::shared_ptr<const DemXmlParsed> ReadDemEntry(int fd, const std::string& key) {
  struct stat st {};
  if (fstat(fd, &st) != 0 || st.st_size < 0) return nullptr;
  const size_t fileBytes = static_cast<size_t>(st.st_size);
  const size_t headBytes = HeadBytes(key);
  if (fileBytes < headBytes) return nullptr;
  void* const base = mmap(nullptr, fileBytes, PROT_READ, MAP_SHARED, fd, 0);
  if (base == MAP_FAILED) return nullptr;
  std::shared_ptr<const void> mapping(base, [fileBytes](const void* p) { munmap(const_cast<void*>(p), fileBytes); });
  const std::string_view head(static_cast<const char*>(base), headBytes);
  if (std::memcmp(head.data(), kMagic, sizeof kMagic) != 0) return nullptr;
  HeadReader in(head.substr(sizeof kMagic));
  if (in.get<uint32_t>() != key.size() || head.compare(sizeof kMagic + 4, key.size(), key) != 0) return nullptr;
  HeadReader fields(head.substr(sizeof kMagic + 4 + key.size()));
  auto parsed = std::make_shared<DemXmlParsed>();
  const int32_t outcome = fields.get<int32_t>();
  if (outcome != static_cast<int32_t>(DemXmlOutcome::Read) && outcome != static_cast<int32_t>(DemXmlOutcome::NotDem) &&
      outcome != static_cast<int32_t>(DemXmlOutcome::BadNumber))
    return nullptr;
  parsed->outcome = static_cast<DemXmlOutcome>(outcome);
  parsed->kindFound = fields.get<int32_t>();
  parsed->loaded = fields.get<uint8_t>() != 0;
  parsed->tuplesOk = fields.get<uint8_t>() != 0;
  DemXmlHeader& h = parsed->header;
  for (double* d : {&h.lowerLat, &h.lowerLon, &h.upperLat, &h.upperLon}) *d = fields.get<double>();
  for (long* n : {&h.width, &h.height, &h.startX, &h.startY}) *n = static_cast<long>(fields.get<int64_t>());
  h.found = fields.get<uint32_t>();
  const uint64_t count = fields.get<uint64_t>();
  // The values end the file exactly.
  if (!fields.ok() || count != (fileBytes - headBytes) / sizeof(double) ||
      (fileBytes - headBytes) % sizeof(double) != 0)
    return nullptr;
  parsed->mappedValues =
      std::span<const double>(reinterpret_cast<const double*>(static_cast<const char*>(base) + headBytes), count);
  parsed->mapping = std::move(mapping);
  return parsed;
}

std::string SharedDemFiles::entryPath(const std::string& key) const {
  char name[32];
  std::snprintf(name, sizeof name, "/%016" PRIx64 ".dem", Fnv1a(key));
  return folder_ + name;
}

// An entry appears whole (it is renamed into place), so one already there
// is taken without waiting for the lock.
std::shared_ptr<const DemXmlParsed> SharedDemFiles::entryOf(const std::string& entry, const std::string& key) const {
  const int fd = open(entry.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return nullptr;
  std::shared_ptr<const DemXmlParsed> parsed = ReadDemEntry(fd, key);
  close(fd);
  return parsed;
}

SharedDemFiles::Turn SharedDemFiles::turnFor(const std::string& key) { return *turn(key, true); }

std::optional<SharedDemFiles::Turn> SharedDemFiles::turnIfFree(const std::string& key) { return turn(key, false); }

std::optional<SharedDemFiles::Turn> SharedDemFiles::turn(const std::string& key, bool wait) {
  const std::string entry = entryPath(key);
  if (std::shared_ptr<const DemXmlParsed> ready = entryOf(entry, key)) {
    Turn turn(*this, key, -1);
    turn.found_ = std::move(ready);
    return turn;
  }
  int lockFd = open((entry + ".lock").c_str(), O_CREAT | O_RDWR | O_CLOEXEC, 0600);
  if (lockFd >= 0 && flock(lockFd, wait ? LOCK_EX : LOCK_EX | LOCK_NB) != 0) {
    const bool held = !wait && errno == EWOULDBLOCK;
    close(lockFd);
    lockFd = -1;
    if (held) return std::nullopt;
    // An interrupted wait (a stop) gives up the lock: the caller then takes
    // the file apart itself, or stops.
  }
  Turn turn(*this, key, lockFd);
  turn.found_ = entryOf(entry, key);
  return turn;
}

void SharedDemFiles::published(std::string path, size_t bytes) {
  const std::lock_guard<std::mutex> lock(mutex_);
  ownEntries_.emplace_back(std::move(path), bytes);
  bytes_ += bytes;
  while (bytes_ > byteLimit_ && !ownEntries_.empty()) {
    unlink(ownEntries_.front().first.c_str());
    bytes_ -= ownEntries_.front().second;
    ownEntries_.pop_front();
  }
}

SharedDemFiles::Turn::Turn(Turn&& other) noexcept
    : store_(other.store_), key_(std::move(other.key_)), lockFd_(other.lockFd_), found_(std::move(other.found_)) {
  other.store_ = nullptr;
  other.lockFd_ = -1;
}

SharedDemFiles::Turn::~Turn() {
  if (lockFd_ >= 0) close(lockFd_);
}

void SharedDemFiles::Turn::publish(const DemXmlParsed& parsed) {
  if (!store_ || found_) return;
  const std::string entry = store_->entryPath(key_);
  // Written under another name and renamed, so a reader never sees half.
  const std::string part = entry + ".part" + std::to_string(getpid());
  const int fd = open(part.c_str(), O_CREAT | O_TRUNC | O_WRONLY | O_CLOEXEC, 0600);
  if (fd < 0) return;
  const bool written = WriteDemEntry(fd, key_, parsed);
  const bool closed = close(fd) == 0;
  if (!written || !closed || rename(part.c_str(), entry.c_str()) != 0) {
    unlink(part.c_str());
    return;
  }
  store_->published(entry, HeadBytes(key_) + parsed.allValues().size() * sizeof(double));
}

}  // namespace velkaro
