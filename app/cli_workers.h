#pragma once
// Spreading a run over worker processes on this machine. The parent keeps
// the questions, the progress line, the report and the index; each worker is
// this program started again on the same job with --worker, drawing tiles it
// takes one at a time from a shared queue into its own render surface, cell
// pool and scratch folder. Messages travel back as short lines on one pipe.

#include <string>
#include <vector>

#include "cli_host.h"
#include "job/job_context.h"
#include "run/tile_selection.h"

namespace velkaro {

// The number of cores this process may use (at least 1).
int CoreCount();

// A scratch folder of this process's own inside the output folder, removed
// with its contents when the run ends. Empty when it cannot be made (the run
// then uses the output folder itself).
class PrivateScratch {
 public:
  explicit PrivateScratch(const std::string& writeFolder);
  ~PrivateScratch();
  PrivateScratch(const PrivateScratch&) = delete;
  PrivateScratch& operator=(const PrivateScratch&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// Parent side: draws `tiles` in `workers` processes started as
// `program workerArgs... --worker Q,S,T`. Shows the combined progress on
// `host`, forwards Ctrl-C to every worker, and leaves the outcome in the job:
// runFlag cleared on abort, ErrorText of a failed worker, the automatic
// legend values of every tile in the settings.
void DrawTilesInWorkers(JobContext& job, CliHost& host, const std::vector<TilePick>& tiles, int workers,
                        const std::string& program, const std::vector<std::string>& workerArgs);

// Worker side: "Q,S,T" names the queue and status descriptors and the run's
// tile count. Returns false when the text does not parse.
struct WorkerChannels {
  int queueFd = -1, statusFd = -1;
  long tileCount = 0;
};
bool ParseWorkerChannels(const std::string& text, WorkerChannels& channels);

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

 private:
  int statusFd_;
  bool yes_;
  std::string numerator_, denominator_;
  JobContext* job_ = nullptr;
};

}  // namespace velkaro
