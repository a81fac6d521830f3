// A 4 x 4 job of the generated sample area (relief, hillshade, contours, the
// mesh overlay, coast, roads, buildings; 724 x 1024 tiles) drawn by
// velkaro-cli with --jobs 1 and with --jobs 2, side by side: seconds of
// wall clock and of CPU time, their ratios (medians of several runs), and
// whether the files are byte-identical. Beside the ratio, the best a run
// of N workers could do given --jobs 1's own start: each worker pays what
// comes before the first tile is written (program, GL, fonts, its first
// DEM files and tile), and only the rest can be shared out.
// Run from the build tree:
// build/bench/parallel_tiles_bench [JOBS]
#include <poll.h>
#include <sys/inotify.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::string Quote(const std::string& s) { return "'" + s + "'"; }

// Seconds of CPU time (user and system) this program's finished children
// have used so far.
double ChildrenCpu() {
  rusage usage{};
  getrusage(RUSAGE_CHILDREN, &usage);
  const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

struct Timed {
  double wall = 0, cpu = 0;
  double firstTile = 0;   // seconds until the first tile's file was in place (0: not seen)
};

// Whether an event of the output folder puts a tile in place: a tile's
// BMP is written under another name and renamed to its own.
bool TileArrived(const inotify_event& event) {
  const std::string_view name = event.len > 0 ? std::string_view(event.name) : std::string_view();
  return (event.mask & IN_MOVED_TO) && name.size() > 4 && name.substr(name.size() - 4) == ".bmp" &&
         name != "index.bmp";
}

// Runs the command, watching `folder` for the first tile to arrive.
Timed Run(const std::string& command, const fs::path& folder) {
  const int watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (watch >= 0 && inotify_add_watch(watch, folder.c_str(), IN_MOVED_TO) < 0) close(watch);
  const double cpu0 = ChildrenCpu();
  const auto start = std::chrono::steady_clock::now();
  std::atomic<bool> done{false};
  std::thread runner([&] {
    if (std::system(command.c_str()) != 0) std::fprintf(stderr, "failed: %s\n", command.c_str());
    done = true;
  });
  double firstTile = 0;
  alignas(inotify_event) char buffer[4096];
  while (!done && watch >= 0 && firstTile == 0) {
    pollfd p{watch, POLLIN, 0};
    if (poll(&p, 1, 2) <= 0) continue;
    const auto now = std::chrono::steady_clock::now();
    const ssize_t n = read(watch, buffer, sizeof buffer);
    for (ssize_t at = 0; at < n;) {
      const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
      if (TileArrived(*event) && firstTile == 0) firstTile = std::chrono::duration<double>(now - start).count();
      at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
    }
  }
  runner.join();
  const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (watch >= 0) close(watch);
  return Timed{wall, ChildrenCpu() - cpu0, firstTile};
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

bool SameFiles(const fs::path& a, const fs::path& b) {
  size_t n = 0;
  for (const auto& entry : fs::directory_iterator(a)) {
    std::ifstream fa(entry.path(), std::ios::binary), fb(b / entry.path().filename(), std::ios::binary);
    const std::string da((std::istreambuf_iterator<char>(fa)), {}), db((std::istreambuf_iterator<char>(fb)), {});
    if (!fb || da != db) return false;
    ++n;
  }
  return n > 0 && n == static_cast<size_t>(std::distance(fs::directory_iterator(b), fs::directory_iterator()));
}

}  // namespace

int main(int argc, char** argv) {
  const int jobs = argc > 1 ? std::atoi(argv[1]) : 2;
  const fs::path bin = fs::canonical("/proc/self/exe").parent_path().parent_path() / "bin";
  const fs::path work = fs::temp_directory_path() / ("velkaro-parallel-bench-" + std::to_string(getpid()));
  fs::create_directories(work / "empty");
  Run(Quote((bin / "velkaro-sample").string()) + " " + Quote((work / "sample").string()) + " > /dev/null", work);
  std::string job = " run - --yes --quiet";
  for (const std::string& set :
       {"kihon/readfolder=" + (work / "sample/基盤地図情報").string(), "kihon/meshfolder=" + (work / "sample/標高データ").string(),
        "kihon/syoufolder=" + (work / "empty").string(), "kihon/kkjfolder=" + (work / "empty").string(),
        std::string("kihon/size=1"), std::string("kihon/tanni=2"), std::string("area/namae=b"),
        std::string("area/zahyokei=33"), std::string("area/kita=-28000"), std::string("area/minami=-45000"),
        std::string("area/nisi=-18500"), std::string("area/higasi=3500"), std::string("area/yokodiv=4"),
        std::string("area/tatediv=4"), std::string("area/kasane=5"), std::string("tiikimesh/cb=1"),
        std::string("alti/alti10=1"), std::string("alti/cont10=1"), std::string("alti/shadow=1"),
        std::string("GSI-OnOff/Cstline-1=1"), std::string("GSI-OnOff/RdEdg-1=1"), std::string("GSI-OnOff/BldA-1=1")})
    job += " --set " + Quote(set);
  const std::string cli = Quote((bin / "velkaro-cli").string()) + job;
  setenv("XDG_CONFIG_HOME", (work / "config").c_str(), 1);
  // The sample's files are written out first, so that the disk is quiet
  // during the runs; each count runs kRounds times, taking turns, and the
  // median of its times is shown.
  sync();
  constexpr int kRounds = 5;
  std::vector<double> times[2], cpu[2], firstTile[2];
  const int counts[2] = {1, jobs};
  for (int round = 0; round < kRounds; ++round)
    for (int i = 0; i < 2; ++i) {
      const fs::path out = work / ("out" + std::to_string(i));
      fs::remove_all(out);
      fs::create_directories(out);
      const Timed t = Run(cli + " --set " + Quote("kihon/writefolder=" + out.string()) + " --jobs " +
                              std::to_string(counts[i]) + " 2> /dev/null",
                          out);
      times[i].push_back(t.wall);
      cpu[i].push_back(t.cpu);
      firstTile[i].push_back(t.firstTile);
    }
  const double seconds[2] = {Median(times[0]), Median(times[1])};
  const double cpuSeconds[2] = {Median(cpu[0]), Median(cpu[1])};
  const double firstSeconds[2] = {Median(firstTile[0]), Median(firstTile[1])};
  const bool same = SameFiles(work / "out0", work / "out1");
  std::ifstream loadFile("/proc/loadavg");
  std::string load;
  std::getline(loadFile, load);
  // Other work on the machine takes cores from the workers; the load shows it.
  std::printf("4 x 4 tiles (724 x 1024) on %u cores, load average %s\n", std::thread::hardware_concurrency(),
              load.substr(0, load.find(' ')).c_str());
  std::printf("  --jobs 1: %6.3f s  (%.3f s of CPU time; first tile in place after %.3f s)\n", seconds[0],
              cpuSeconds[0], firstSeconds[0]);
  std::printf("  --jobs %d: %6.3f s  (%.3f s of CPU time; first tile after %.3f s; %.2f of --jobs 1's time; medians of "
              "%d runs each)\n",
              jobs, seconds[1], cpuSeconds[1], firstSeconds[1], seconds[1] / seconds[0], kRounds);
  // The yardstick: every worker pays --jobs 1's start up to its first tile,
  // and the tiles after it are shared out evenly at no cost of their own.
  if (firstSeconds[0] > 0)
    std::printf("  best for --jobs %d with --jobs 1's start:  %.2f of --jobs 1's time\n", jobs,
                (firstSeconds[0] + (seconds[0] - firstSeconds[0]) / jobs) / seconds[0]);
  // What the workers spend beyond --jobs 1's work: each one's start (the
  // software GL, its context, the fonts) and two processes sharing a machine.
  std::printf("  CPU time of --jobs %d: %.2f of --jobs 1's\n", jobs, cpuSeconds[1] / cpuSeconds[0]);
  std::printf("  files byte-identical: %s\n", same ? "yes" : "NO");
  fs::remove_all(work);
  return same ? 0 : 1;
}
