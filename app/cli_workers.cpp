#include "cli_workers.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <charconv>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <optional>
#include <thread>

#include "elevation/shared_dem_files.h"
#include "job/tile_grid.h"
#include "job/screen_size.h"
#include "job/validation.h"
#include "output/index_map.h"
#include "platform/atomic_file.h"
#include "platform/stop_signals.h"
#include "render/render_surface.h"
#include "run/driver.h"
#include "run/run_messages.h"

namespace fs = std::filesystem;

namespace velkaro {
namespace {

// Status lines from a worker: one kind letter, the text, a line feed. Line
// feeds inside the text travel as unit separators. Every line stays below
// PIPE_BUF, so lines of different workers never mix.
constexpr char kProgress = 'F';  // files done "\t" files in all
constexpr char kTileDone = 'D';  // row " " col
constexpr char kLegend = 'L';    // row " " col "\t" interval "\t" bottom
constexpr char kTileWithoutElevation = 'E';  // row " " col "\t" the tile's label in the report
constexpr char kElevationPlaced = 'G';  // row " " col: the tile needs no more DEM files
constexpr char kIndexStaged = 'I';  // image "\t" page (temporary file names, empty when not written) "\t" error
constexpr char kMessage = 'M';   // title "\t" text
constexpr char kFinal = 'X';     // run flag (0/1) "\t" ErrorText
constexpr char kScratchFolder = 'S';  // the worker's private scratch folder (full path)
constexpr size_t kLineLimit = 3800;
// On a worker's queue in place of a tile: draw the run's index.
constexpr int32_t kDrawIndexRequest = -2;
// The bytes of DEM files the workers of a run leave for each other, in all
// and at least for each worker.
constexpr long kSharedDemBytes = 1L << 30;
constexpr long kSharedDemBytesAtLeast = 64L << 20;
// The name of the run's folder of shared DEM files begins with it.
constexpr const char* kSharedDemPrefix = "velkaro-dem-";

volatile std::sig_atomic_t g_workerStop = 0;  // set by the worker's signal handler only
extern "C" void OnWorkerStop(int) { g_workerStop = 1; }

// Removes a folder of the run (a scratch folder, the shared DEM files) by
// its path, which must carry the run's name prefix: a path taken from a
// worker's line or a damaged argument never reaches another folder.
void RemoveRunFolder(const fs::path& folder, const char* prefix) {
  if (folder.filename().string().rfind(prefix, 0) != 0) return;
  std::error_code ec;
  fs::remove_all(folder, ec);
}

std::string Escape(const std::string& text) {
  std::string out = text.substr(0, kLineLimit);
  for (char& ch : out)
    if (ch == '\n') ch = '\x1f';
  return out;
}

std::string Unescape(std::string text) {
  for (char& ch : text)
    if (ch == '\x1f') ch = '\n';
  return text;
}

bool ParseLong(std::string_view text, long& out) {
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
  return ec == std::errc() && end == text.data() + text.size();
}

struct Worker {
  pid_t pid = -1;
  bool running = false;
  long files = 0;
  bool finalSeen = false;
  bool runFlag = true;
  std::string errorText;
  int queueFd = -1;          // the parent's end of the worker's tile queue
  size_t next = 0, end = 0;  // the worker's run of tiles not yet handed out
  size_t inQueue = 0;        // tiles handed out and not yet done (0 or 1)
  bool elevationPlaced = false;  // the tile in hand needs no more DEM files
  bool drawingIndex = false;     // asked for the index, not yet answered
  std::string scratchFolder;     // its private scratch folder, as it said
};

// The parent's view of a run spread over workers.
class WorkerPool {
 public:
  WorkerPool(JobContext& job, CliHost& host, const std::vector<TilePick>& tiles)
      : job_(job), host_(host), tiles_(tiles) {}
  ~WorkerPool() {
    closeQueues();
    if (statusFd_ >= 0) close(statusFd_);
  }

  bool start(int count, const WorkerLaunch& launch, const std::string& sharedDemFolder);
  void drawIndexInAWorker(IndexStaged staged) { indexStaged_ = std::move(staged); }
  // `releaseDemFiles` runs once no tile left to draw can want the shared DEM
  // files, as soon as a core is free for it (else not at all).
  void run(const std::function<void()>& releaseDemFiles);
  // Workers that sent their last line and whose processes were still ending
  // when the run finished.
  std::vector<pid_t> stillExiting() const;

 private:
  void shareOutTiles();
  bool aWorkerIsIdle() const;
  bool demFilesStillWanted() const;
  bool nextTileFor(Worker& w, size_t& tile);
  void feed();
  void closeQueues();
  void stopAll();
  void readStatus();
  void handleLine(Worker* from, std::string_view line);
  void reap();
  void showProgress();
  void cleanUpAfter(const Worker& w);
  Worker* workerOf(pid_t pid);
  bool parseTile(std::string_view head, long& row, long& col) const;
  void collectTilesWithoutElevation();

  JobContext& job_;
  CliHost& host_;
  const std::vector<TilePick>& tiles_;
  std::vector<Worker> workers_;
  int statusFd_ = -1;
  size_t done_ = 0;
  long denominator_ = 0;
  bool stopping_ = false;
  IndexStaged indexStaged_;     // set: the first worker out of tiles draws the index
  bool indexAsked_ = false;
  std::string pending_;
  std::map<long, std::string> withoutElevation_;  // tile index -> label, as the workers report them
};

// Whether this process runs on its own thread only (a copy made by fork()
// then holds no lock another thread had taken).
bool SingleThreaded() {
  std::error_code ec;
  size_t threads = 0;
  for (auto it = fs::directory_iterator("/proc/self/task", ec); !ec && it != fs::directory_iterator(); it.increment(ec))
    ++threads;
  return !ec && threads == 1;
}

// The command lines of workers started as programs, one per queue, made
// before fork(): a copy of a process with threads should do no more than
// start the program.
class WorkerCommands {
 public:
  WorkerCommands(const WorkerLaunch& launch, const std::vector<WorkerChannels>& channels) {
    for (const WorkerChannels& c : channels) {
      std::vector<std::string>& w = words_.emplace_back(1, launch.program);
      w.insert(w.end(), launch.workerArgs.begin(), launch.workerArgs.end());
      w.push_back("--worker");
      w.push_back(FormatWorkerChannels(c));
    }
    for (std::vector<std::string>& w : words_) {
      std::vector<char*>& argv = argvs_.emplace_back();
      for (std::string& word : w) argv.push_back(word.data());
      argv.push_back(nullptr);
    }
  }
  char* const* argv(size_t k) const { return argvs_[k].data(); }

 private:
  std::vector<std::vector<std::string>> words_;
  std::vector<std::vector<char*>> argvs_;
};

bool WorkerPool::start(int count, const WorkerLaunch& launch, const std::string& sharedDemFolder) {
  // VELKARO_EXEC_WORKERS=1 takes the started-program way regardless, so
  // that it can be checked.
  const char* exec = std::getenv("VELKARO_EXEC_WORKERS");
  const bool forked = launch.forked && SingleThreaded() && !(exec && std::strcmp(exec, "1") == 0);
  int status[2];
  if (pipe2(status, O_CLOEXEC) != 0) return false;
  // A queue of tiles for each worker.
  std::vector<std::array<int, 2>> queues;
  for (int i = 0; i < count; ++i) {
    std::array<int, 2> q{};
    if (pipe2(q.data(), O_CLOEXEC) != 0) break;
    queues.push_back(q);
  }
  auto closeAll = [&](int keepA, int keepB) {
    for (const auto& q : queues)
      for (int fd : q)
        if (fd != keepA && fd != keepB) close(fd);
    for (int fd : status)
      if (fd != keepA && fd != keepB) close(fd);
  };
  // The workers share out the bytes of the shared DEM files.
  const long sharedDemBytes = std::max(kSharedDemBytesAtLeast, kSharedDemBytes / std::max<long>(1, count));
  std::vector<WorkerChannels> channels;
  for (const auto& q : queues)
    channels.push_back({q[0], status[1], static_cast<long>(tiles_.size()), sharedDemBytes, sharedDemFolder});
  const WorkerCommands commands(launch, channels);
  for (size_t k = 0; k < queues.size(); ++k) {
    const std::array<int, 2>& q = queues[k];
    const pid_t pid = fork();
    if (pid == 0) {
      // A worker whose parent dies stops too.
      prctl(PR_SET_PDEATHSIG, SIGTERM);
      if (forked) {
        // Every other end of the pipes is the parent's or another worker's:
        // a worker holding a queue's writing end would never see it end.
        closeAll(q[0], status[1]);
        _exit(launch.forked(channels[k]));
      }
      fcntl(q[0], F_SETFD, 0);
      fcntl(status[1], F_SETFD, 0);
      execv(launch.program.c_str(), commands.argv(k));
      _exit(127);
    }
    if (pid < 0) break;
    Worker w;
    w.pid = pid;
    w.running = true;
    w.queueFd = q[1];
    workers_.push_back(w);
  }
  // The parent keeps the writing ends of the started workers' queues.
  for (size_t k = 0; k < queues.size(); ++k) {
    close(queues[k][0]);
    if (k >= workers_.size()) close(queues[k][1]);
  }
  close(status[1]);
  statusFd_ = status[0];
  shareOutTiles();
  return !workers_.empty();
}

// Each worker gets a run of neighbouring tiles in reading order: the tiles
// of one worker overlap the same DEM files, which it then takes apart once.
void WorkerPool::shareOutTiles() {
  const size_t n = workers_.size();
  for (size_t k = 0; k < n; ++k) {
    workers_[k].next = tiles_.size() * k / n;
    workers_[k].end = tiles_.size() * (k + 1) / n;
  }
}

// The next tile for a worker: the next of its own run or, once that is
// done, the last not yet handed out of the longest run left.
bool WorkerPool::nextTileFor(Worker& w, size_t& tile) {
  if (w.next < w.end) {
    tile = w.next++;
    return true;
  }
  Worker* longest = nullptr;
  for (Worker& other : workers_)
    if (other.end > other.next && (!longest || other.end - other.next > longest->end - longest->next)) longest = &other;
  if (!longest) return false;
  tile = --longest->end;
  return true;
}

// Hands a worker its next tile only once it has finished the one before:
// the tiles not yet drawn stay with the parent until the last moment, so a
// worker that runs out takes over the end of another's run (the tiles on
// both sides of a run's end then differ by less than one tile's time), and
// a stop leaves nothing behind.
void WorkerPool::feed() {
  if (stopping_) return;
  bool left = false;
  for (Worker& w : workers_) {
    if (w.queueFd < 0 || w.inQueue != 0 || w.drawingIndex) continue;
    size_t tile = 0;
    int32_t item = 0;
    if (nextTileFor(w, tile))
      item = tiles_[tile].row * job_.grid.cols + tiles_[tile].col;
    else if (indexStaged_ && !indexAsked_ && job_.runFlag)
      item = kDrawIndexRequest;
    else
      continue;
    if (!WriteAllBytes(w.queueFd, std::string_view(reinterpret_cast<const char*>(&item), sizeof item))) continue;
    if (item == kDrawIndexRequest) {
      indexAsked_ = w.drawingIndex = true;
    } else {
      ++w.inQueue;
      w.elevationPlaced = false;
    }
  }
  for (const Worker& w : workers_) left = left || w.next < w.end;
  // The queues stay open until a worker out of tiles has been asked for the
  // index.
  if (!left && (indexAsked_ || !indexStaged_ || !job_.runFlag)) closeQueues();
}

void WorkerPool::closeQueues() {
  for (Worker& w : workers_) {
    if (w.queueFd >= 0) close(w.queueFd);
    w.queueFd = -1;
  }
}

// Abort or failure: no more tiles, and every worker stops after its current
// step, keeping the tiles it wrote.
void WorkerPool::stopAll() {
  if (stopping_) return;
  stopping_ = true;
  closeQueues();
  for (const Worker& w : workers_)
    if (w.running) kill(w.pid, SIGTERM);
}

Worker* WorkerPool::workerOf(pid_t pid) {
  for (Worker& w : workers_)
    if (w.pid == pid) return &w;
  return nullptr;
}

void WorkerPool::handleLine(Worker* from, std::string_view line) {
  if (line.empty() || !from) return;
  const char kind = line[0];
  std::string_view text = line.substr(1);
  const size_t tab = text.find('\t');
  const std::string_view head = text.substr(0, tab);
  const std::string_view tail = tab == std::string_view::npos ? std::string_view() : text.substr(tab + 1);
  long a = 0, b = 0;
  switch (kind) {
    case kProgress:
      if (ParseLong(head, a)) from->files = a;
      if (ParseLong(tail, b)) denominator_ = b;
      showProgress();
      break;
    case kTileDone: {
      const size_t space = head.find(' ');
      if (space != std::string_view::npos && ParseLong(head.substr(0, space), a) && ParseLong(head.substr(space + 1), b)) {
        ++done_;
        if (from->inQueue > 0) --from->inQueue;
        job_.tile.row = static_cast<int>(a);
        job_.tile.col = static_cast<int>(b);
        showProgress();
      }
      break;
    }
    case kElevationPlaced:
      from->elevationPlaced = true;
      break;
    case kIndexStaged:
      if (from->drawingIndex && indexStaged_) {
        from->drawingIndex = false;
        const size_t tab2 = tail.find('\t');
        // The worker names the files; they lie in the output folder.
        const auto inOutput = [this](std::string_view name) {
          return name.empty() ? std::string() : (fs::path(job_.settings.writefolder) / name).string();
        };
        indexStaged_(inOutput(head), inOutput(tail.substr(0, tab2)),
                     tab2 == std::string_view::npos ? std::string() : Unescape(std::string(tail.substr(tab2 + 1))));
      }
      break;
    case kTileWithoutElevation:
      if (parseTile(head, a, b)) withoutElevation_[a * job_.grid.cols + b] = std::string(tail);
      break;
    case kLegend: {
      const size_t tab2 = tail.find('\t');
      if (tab2 == std::string_view::npos || !parseTile(head, a, b)) break;
      JobSettings& s = job_.settings;
      for (LegendGrid* grid : {&s.legendInterval, &s.legendBottom})
        if (grid->rows < a + 1 || grid->cols < b + 1)
          grid->resize(std::max<int>(grid->rows, static_cast<int>(a) + 1), std::max<int>(grid->cols, static_cast<int>(b) + 1));
      s.legendInterval.cell(static_cast<int>(a), static_cast<int>(b)) = std::string(tail.substr(0, tab2));
      s.legendBottom.cell(static_cast<int>(a), static_cast<int>(b)) = std::string(tail.substr(tab2 + 1));
      break;
    }
    case kMessage:
      host_.ask(std::string(head), Unescape(std::string(tail)), Buttons::Ok);
      break;
    case kScratchFolder:
      from->scratchFolder = Unescape(std::string(text));
      break;
    case kFinal:
      from->finalSeen = true;
      from->runFlag = head == "1";
      from->errorText = Unescape(std::string(tail));
      break;
    default:
      break;
  }
}

// "row col" of a tile of the grid.
bool WorkerPool::parseTile(std::string_view head, long& row, long& col) const {
  const size_t space = head.find(' ');
  return space != std::string_view::npos && ParseLong(head.substr(0, space), row) &&
         ParseLong(head.substr(space + 1), col) && row >= 0 && col >= 0 && row < job_.grid.rows &&
         col < job_.grid.cols;
}

// The report lists the tiles without elevation data in the order a serial
// run draws them, whichever worker finished first.
void WorkerPool::collectTilesWithoutElevation() {
  job_.tilesWithoutElevation.clear();
  for (const TilePick& t : tiles_)
    if (const auto it = withoutElevation_.find(static_cast<long>(t.row) * job_.grid.cols + t.col);
        it != withoutElevation_.end())
      job_.tilesWithoutElevation.push_back(it->second);
}

void WorkerPool::readStatus() {
  char buffer[8192];
  const ssize_t n = read(statusFd_, buffer, sizeof buffer);
  if (n < 0 && (errno == EINTR || errno == EAGAIN)) return;
  if (n <= 0) {
    close(statusFd_);
    statusFd_ = -1;
    return;
  }
  pending_.append(buffer, static_cast<size_t>(n));
  size_t start = 0;
  for (size_t end; (end = pending_.find('\n', start)) != std::string::npos; start = end + 1) {
    // Each line starts with the sender's process id and a blank.
    const std::string_view line(pending_.data() + start, end - start);
    const size_t blank = line.find(' ');
    long pid = 0;
    if (blank != std::string_view::npos && ParseLong(line.substr(0, blank), pid))
      handleLine(workerOf(static_cast<pid_t>(pid)), line.substr(blank + 1));
  }
  pending_.erase(0, start);
}

void WorkerPool::reap() {
  for (Worker& w : workers_) {
    if (!w.running) continue;
    int status = 0;
    const pid_t r = waitpid(w.pid, &status, WNOHANG);
    if (r != w.pid) continue;
    w.running = false;
    const bool clean = WIFEXITED(status) && (WEXITSTATUS(status) == 0 || WEXITSTATUS(status) == 2);
    if (!clean && !w.finalSeen) {
      w.runFlag = false;
      w.errorText = WIFSIGNALED(status)
                        ? "worker process " + std::to_string(w.pid) + " ended by signal " + std::to_string(WTERMSIG(status))
                        : "worker process " + std::to_string(w.pid) + " failed with exit code " + std::to_string(WEXITSTATUS(status));
      host_.ask(msg::kFailureTitle, w.errorText, Buttons::Ok);
      cleanUpAfter(w);
    }
    if (!w.runFlag) stopAll();
  }
}

// What a worker that was killed (SIGKILL, the out-of-memory killer, a
// crash) could not remove itself: its scratch folder and the files it was
// writing under temporary names in the output folder.
void WorkerPool::cleanUpAfter(const Worker& w) {
  const fs::path scratch = fs::path(w.scratchFolder).lexically_normal();
  if (scratch.parent_path() == fs::path(job_.settings.writefolder).lexically_normal())
    RemoveRunFolder(scratch, kScratchPrefix);
  RemoveTemporariesOf(job_.settings.writefolder, w.pid);
}

void WorkerPool::showProgress() {
  long files = 0;
  for (const Worker& w : workers_) files += w.files;
  host_.setLabel(LabelRole::FileName, std::to_string(done_) + "/" + std::to_string(tiles_.size()) + " tiles written, " +
                                          std::to_string(workers_.size()) + " workers");
  host_.setLabel(LabelRole::Denominator, std::to_string(denominator_));
  host_.setLabel(LabelRole::Numerator, std::to_string(files));
}

// Whether a core has come free: every tile is handed out and some worker
// has none left to draw (or has ended).
bool WorkerPool::aWorkerIsIdle() const {
  for (const Worker& w : workers_)
    if (w.next < w.end) return false;
  return std::any_of(workers_.begin(), workers_.end(),
                     [](const Worker& w) { return !w.running || (w.inQueue == 0 && !w.drawingIndex); });
}

// Whether a tile not yet drawn may still read the shared DEM files: one not
// yet handed out, or one whose worker has not yet placed its elevation.
bool WorkerPool::demFilesStillWanted() const {
  for (const Worker& w : workers_)
    if (w.next < w.end || (w.running && !w.finalSeen && w.inQueue > 0 && !w.elevationPlaced)) return true;
  return false;
}

void WorkerPool::run(const std::function<void()>& releaseDemFiles) {
  host_.setLabel(LabelRole::Title, msg::kFileCountTitle);
  showProgress();
  bool demFilesReleased = !releaseDemFiles;
  for (;;) {
    feed();
    const bool anyRunning = std::any_of(workers_.begin(), workers_.end(), [](const Worker& w) { return w.running; });
    // The parent's own work waits for a worker to run out of tiles: until
    // then every core is drawing.
    const bool coreFree = aWorkerIsIdle() || !anyRunning;
    if (!demFilesReleased && coreFree && !demFilesStillWanted()) {
      demFilesReleased = true;
      releaseDemFiles();
      continue;
    }
    if (!anyRunning && statusFd_ < 0) break;
    // A worker's last line comes after its last file and its scratch are
    // settled: the run goes on without waiting for its process to end.
    if (std::all_of(workers_.begin(), workers_.end(), [](const Worker& w) { return !w.running || w.finalSeen; }))
      break;
    if (statusFd_ >= 0) {
      pollfd p{statusFd_, POLLIN, 0};
      if (poll(&p, 1, 100) > 0) readStatus();
    } else {
      // Every worker has closed its status pipe and is on its way out: the
      // wait for the last exit is short, and the run's end waits for it.
      usleep(1000);
    }
    reap();
    host_.pump();
    if (!job_.runFlag) stopAll();
  }
  bool allRan = !stopping_ || job_.runFlag;
  for (const Worker& w : workers_) {
    if (!w.runFlag) allRan = false;
    if (job_.errorText.empty() && !w.errorText.empty()) job_.errorText = w.errorText;
  }
  job_.fileCount = 0;
  for (const Worker& w : workers_) job_.fileCount += w.files;
  collectTilesWithoutElevation();
  if (!allRan || done_ < tiles_.size()) job_.runFlag = false;
}

std::vector<pid_t> WorkerPool::stillExiting() const {
  std::vector<pid_t> pids;
  for (const Worker& w : workers_)
    if (w.running) pids.push_back(w.pid);
  return pids;
}

}  // namespace

int CoreCount() {
  const unsigned n = std::thread::hardware_concurrency();
  return n == 0 ? 1 : static_cast<int>(n);
}

PrivateScratch::PrivateScratch(const std::string& writeFolder, const char* prefix) {
  std::string pattern = (fs::path(writeFolder) / (std::string(prefix) + "XXXXXX")).string();
  if (mkdtemp(pattern.data())) path_ = pattern;
}

PrivateScratch::~PrivateScratch() { remove(); }

void PrivateScratch::remove() {
  if (path_.empty()) return;
  std::error_code ec;
  fs::remove_all(path_, ec);
  path_.clear();
}

void DrawTilesInWorkers(JobContext& job, CliHost& host, const std::vector<TilePick>& tiles, int workers,
                        const WorkerLaunch& launch, std::vector<pid_t>& exiting) {
  if (tiles.empty()) return;
  WorkerPool pool(job, host, tiles);
  const int count = std::max(1, std::min<int>(workers, static_cast<int>(tiles.size())));
  // The DEM files one worker takes apart wait there for the others (gone
  // with the run; without it each takes apart what it reads).
  std::error_code ec;
  const fs::path temp = fs::temp_directory_path(ec);
  PrivateScratch sharedDem(ec ? std::string("/tmp") : temp.string(), kSharedDemPrefix);
  if (!pool.start(count, launch, sharedDem.path())) {
    job.errorText = "cannot start worker processes: " + std::string(std::strerror(errno));
    job.runFlag = false;
    return;
  }
  if (launch.indexStaged) pool.drawIndexInAWorker(launch.indexStaged);
  pool.run([&sharedDem] { sharedDem.remove(); });
  for (const pid_t pid : pool.stillExiting()) exiting.push_back(pid);
}

void WaitForWorkers(std::vector<pid_t>& exiting) {
  for (const pid_t pid : exiting)
    while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
    }
  exiting.clear();
}

std::string FormatWorkerChannels(const WorkerChannels& channels) {
  std::string text = std::to_string(channels.queueFd) + "," + std::to_string(channels.statusFd) + "," +
                     std::to_string(channels.tileCount);
  if (!channels.sharedDemFolder.empty())
    text += "," + std::to_string(channels.sharedDemBytes) + "," + channels.sharedDemFolder;
  return text;
}

bool ParseWorkerChannels(const std::string& text, WorkerChannels& channels) {
  // Three or four numbers; the folder is the rest (it may hold commas).
  std::string_view rest(text);
  long numbers[4] = {};
  int count = 0;
  for (; count < 4; ++count) {
    const size_t comma = rest.find(',');
    if (!ParseLong(rest.substr(0, comma), numbers[count]) || numbers[count] < 0) return false;
    if (comma == std::string_view::npos) {
      rest = {};
      ++count;
      break;
    }
    rest.remove_prefix(comma + 1);
  }
  if (count == 3 && rest.empty()) {
    channels = {static_cast<int>(numbers[0]), static_cast<int>(numbers[1]), numbers[2], 0, {}};
    return true;
  }
  if (count != 4 || rest.empty()) return false;
  channels = {static_cast<int>(numbers[0]), static_cast<int>(numbers[1]), numbers[2], numbers[3], std::string(rest)};
  return true;
}

WorkerHost::WorkerHost(int statusFd, bool yes) : statusFd_(statusFd), yes_(yes) {
  struct sigaction sa {};
  sa.sa_handler = OnWorkerStop;
  sigemptyset(&sa.sa_mask);
  // A closed terminal reaches the workers too (they share its process group).
  CatchStopSignals(sa);
  // A line to a parent that is gone fails (EPIPE) instead of killing this
  // process before it has cleaned up; the worker then stops.
  std::signal(SIGPIPE, SIG_IGN);
}

void WorkerHost::send(char kind, const std::string& text) const {
  const std::string line = std::to_string(getpid()) + " " + kind + Escape(text) + "\n";
  if (!WriteAllBytes(statusFd_, line) && errno == EPIPE) g_workerStop = 1;
}

// The file count goes to the parent at most every 50 ms (and before each
// finished tile): a line for every file would wake the parent hundreds of
// times a tile, on the cores the workers draw on.
void WorkerHost::setLabel(LabelRole role, const std::string& text) {
  long value = 0;
  if (role == LabelRole::Denominator && ParseLong(text, value)) denominator_ = text;
  if (role == LabelRole::Numerator && ParseLong(text, value)) {
    numerator_ = text;
    if (std::chrono::steady_clock::now() - sentAt_ >= std::chrono::milliseconds(50)) sendProgress();
  }
}

void WorkerHost::sendProgress() {
  if (numerator_.empty() || numerator_ == sentNumerator_) return;
  sentNumerator_ = numerator_;
  sentAt_ = std::chrono::steady_clock::now();
  send(kProgress, numerator_ + "\t" + denominator_);
}

void WorkerHost::pump() {
  if (g_workerStop && job_) job_->runFlag = false;
}

Answer WorkerHost::ask(const std::string& title, const std::string& text, Buttons buttons) {
  send(kMessage, title + "\t" + text);
  if (buttons == Buttons::Ok) return Answer::Ok;
  if (buttons == Buttons::YesNo) return yes_ ? Answer::Yes : Answer::No;
  return yes_ ? Answer::Ok : Answer::Cancel;
}

namespace {

// Draws the run's index and writes its files under temporary names, which
// the parent puts in place once every tile exists.
void StageIndexForParent(JobContext& job, WorkerHost& host) {
  StagedIndexMap staged(job, DrawIndexMap(job, PrimaryScreenSize()));
  std::string image, page;
  staged.handOver(image, page);
  host.send(kIndexStaged, fs::path(image).filename().string() + "\t" + fs::path(page).filename().string() + "\t" +
                              staged.drawing().boundaryError);
}

}  // namespace

int RunAsWorker(JobContext& job, const WorkerChannels& channels) {
  const pid_t parent = getppid();
  WorkerHost& host = static_cast<WorkerHost&>(job.host);
  const std::string problems = ValidateJob(job);
  if (!problems.empty()) {
    host.send(kFinal, "0\t" + problems);
    return 1;
  }
  std::optional<PrivateScratch> scratch(std::in_place, job.settings.writefolder);
  // The parent removes it should this process be killed.
  if (!scratch->path().empty()) host.send(kScratchFolder, scratch->path());
  std::optional<SharedDemFiles> sharedDem;
  if (!channels.sharedDemFolder.empty()) {
    sharedDem.emplace(channels.sharedDemFolder, static_cast<size_t>(channels.sharedDemBytes));
    job.sharedDemFiles = &*sharedDem;
  }
  job.scratchFolder = scratch->path();
  job.errorText.clear();
  job.runFlag = true;
  const int cols = std::max(job.grid.cols, 1);
  const long tileCount = job.grid.count();
  bool haveTile = false;
  TilePick current;
  size_t reportedWithoutElevation = 0;  // entries of job.tilesWithoutElevation sent
  // Asking for the next tile means the one before is finished.
  const NextTile next = [&](TilePick& pick) {
    if (haveTile && job.runFlag) {
      host.sendProgress();
      host.send(kTileDone, std::to_string(current.row) + " " + std::to_string(current.col));
      const JobSettings& s = job.settings;
      if (s.jido && s.legendInterval.rows > current.row && s.legendInterval.cols > current.col &&
          s.legendBottom.rows > current.row && s.legendBottom.cols > current.col)
        host.send(kLegend, std::to_string(current.row) + " " + std::to_string(current.col) + "\t" +
                               job.settings.legendInterval.cell(current.row, current.col) + "\t" +
                               job.settings.legendBottom.cell(current.row, current.col));
      for (; reportedWithoutElevation < job.tilesWithoutElevation.size(); ++reportedWithoutElevation)
        host.send(kTileWithoutElevation, std::to_string(current.row) + " " + std::to_string(current.col) + "\t" +
                                    job.tilesWithoutElevation[reportedWithoutElevation]);
    }
    haveTile = false;
    if (!job.runFlag || g_workerStop) return false;
    int32_t index = 0;
    for (;;) {
      ssize_t n;
      do n = read(channels.queueFd, &index, sizeof index);
      while (n < 0 && errno == EINTR && !g_workerStop);
      if (n != sizeof index) return false;
      if (index != kDrawIndexRequest) break;
      StageIndexForParent(job, host);
      if (!job.runFlag || g_workerStop) return false;
    }
    if (index < 0 || index >= tileCount) return false;
    current = {index / cols, index % cols};
    pick = current;
    haveTile = true;
    return true;
  };
  DriverCalls calls = DefaultDriverCalls();
  // Once the tile in hand has its elevation, the parent may remove the
  // shared DEM files (if no other tile still wants them) while it draws.
  if (!channels.sharedDemFolder.empty() && calls.prepareElevationGrid)
    calls.prepareElevationGrid = [&, prepare = calls.prepareElevationGrid](JobContext& j) {
      prepare(j);
      if (haveTile) host.send(kElevationPlaced, std::to_string(current.row) + " " + std::to_string(current.col));
    };
  RunDriverOn(job, calls, next, channels.tileCount);
  if (g_workerStop) job.runFlag = false;
  job.sharedDemFiles = nullptr;
  // The scratch goes before the last line: the parent does not wait for
  // this process to end.
  scratch.reset();
  job.scratchFolder.clear();
  // A parent killed outright (SIGKILL) cannot remove the folder of DEM
  // files the workers shared, up to a gigabyte under TMPDIR: its workers,
  // which then stop, do (each tries; entries a worker still has mapped stay
  // readable until it lets them go).
  if (getppid() != parent) RemoveRunFolder(channels.sharedDemFolder, kSharedDemPrefix);
  host.sendProgress();
  host.send(kFinal, std::string(job.runFlag ? "1" : "0") + "\t" + job.errorText);
  return job.runFlag && job.errorText.empty() ? 0 : 2;
}

}  // namespace velkaro
