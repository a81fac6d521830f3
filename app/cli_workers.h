#pragma once
// Spreading a run over worker processes on this machine. The parent keeps
// the questions, the progress line, the report and the index; each worker is
// a copy of this process that starts from the job as the parent loaded it
// (or, when a copy is not safe, this program started again on the same job
// with --worker) and draws tiles it is handed one at a time on a queue of
// its own (a run of neighbouring tiles, then the end of the longest run
// left) into its own render surface, cell pool and scratch folder; the DEM
// files one worker takes apart wait for the others in a shared folder, which
// the parent removes once every tile still being drawn has its elevation.
// Messages travel back as short lines on one pipe.

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "cli_host.h"
#include "job/job_context.h"
#include "run/tile_selection.h"

namespace velkaro {

// The number of cores this process may use (at least 1).
int CoreCount();

// The name of a run's or a worker's scratch folder begins with it.
inline constexpr const char* kScratchPrefix = ".velkaro-scratch-";

// A scratch folder of this process's own inside the output folder (or
// another parent folder, with another name prefix), removed with its
// contents when the run ends. Empty when it cannot be made (the run then
// uses the output folder itself).
class PrivateScratch {
 public:
  explicit PrivateScratch(const std::string& writeFolder, const char* prefix = kScratchPrefix);
  ~PrivateScratch();
  PrivateScratch(const PrivateScratch&) = delete;
  PrivateScratch& operator=(const PrivateScratch&) = delete;
  const std::string& path() const { return path_; }
  // Removes the folder now (the path is empty after).
  void remove();

 private:
  std::string path_;
};

// Worker side: "Q,S,T[,B,FOLDER]" names the queue and status descriptors,
// the run's tile count and, when the workers share the DEM files they take
// apart, the bytes this worker may leave in the shared FOLDER. Returns
// false when the text does not parse.
struct WorkerChannels {
  int queueFd = -1, statusFd = -1;
  long tileCount = 0;
  long sharedDemBytes = 0;
  std::string sharedDemFolder;
};

// How a worker process begins. When this process runs no thread besides
// its own, each worker is a copy of it made by fork() that calls `forked`
// with its channels and exits with what it returns: no program to load,
// link and set up again. Otherwise (a copy of a process with threads could
// inherit a lock held by one of them) each worker is `program
// workerArgs... --worker Q,S,T[,B,FOLDER]`.
// The index files a worker wrote under temporary names (full paths, empty
// when it could not write them) and the boundary error of its drawing.
using IndexStaged =
    std::function<void(const std::string& image, const std::string& page, const std::string& boundaryError)>;

struct WorkerLaunch {
  std::string program;
  std::vector<std::string> workerArgs;
  std::function<int(const WorkerChannels&)> forked;
  // Set: the first worker to run out of tiles draws the run's index (its
  // fonts and drawing code are warm, its core is free while the others
  // finish) and writes it under temporary names; the parent puts them in
  // place once every tile exists.
  IndexStaged indexStaged;
};

// Parent side: draws `tiles` in `workers` processes. Shows the combined
// progress on `host`, forwards Ctrl-C to every worker, and leaves the
// outcome in the job: runFlag cleared on abort, ErrorText of a failed
// worker, the automatic legend values of every tile in the settings.
// Workers whose processes are still ending once their last line came are
// added to `exiting`, for WaitForWorkers once the run's own files are written.
void DrawTilesInWorkers(JobContext& job, CliHost& host, const std::vector<TilePick>& tiles, int workers,
                        const WorkerLaunch& launch, std::vector<pid_t>& exiting);
void WaitForWorkers(std::vector<pid_t>& exiting);
bool ParseWorkerChannels(const std::string& text, WorkerChannels& channels);
std::string FormatWorkerChannels(const WorkerChannels& channels);

// Runs the loaded job's share of tiles as a worker; returns the exit code.
int RunAsWorker(JobContext& job, const WorkerChannels& channels);

// The job host of a worker: no terminal, every label change and message
// goes to the parent; SIGINT and SIGTERM abort.
class WorkerHost : public JobHost {
 public:
  WorkerHost(int statusFd, bool yes);
  void attach(JobContext* job) { job_ = job; }
  void setLabel(LabelRole role, const std::string& text) override;
  void pump() override;
  Answer ask(const std::string& title, const std::string& text, Buttons buttons) override;
  void send(char kind, const std::string& text) const;
  // Sends the file count if it changed since it was last sent.
  void sendProgress();

 private:
  int statusFd_;
  bool yes_;
  std::string numerator_, denominator_;
  std::string sentNumerator_;
  std::chrono::steady_clock::time_point sentAt_{};
  JobContext* job_ = nullptr;
};

}  // namespace velkaro
