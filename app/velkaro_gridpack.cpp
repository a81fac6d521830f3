// velkaro-gridpack: mosaics every DEM XML file of a folder tree (plain or in
// the downloaded zips) into one raster a GIS opens.

#include <unistd.h>

#include <charconv>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "gridpack/gridpack.h"
#include "platform/interrupt_cleanup.h"

using namespace velkaro;

namespace {

enum Exit { kSuccess = 0, kSomeLeftOut = 1, kFailed = 2, kUsage = 3 };

const char* kUsageText =
    "usage: velkaro-gridpack FOLDER OUT.tif [--format F] [--resolution R] [--zone N]\n"
    "                        [--sea-zero] [--overviews] [--quiet]\n"
    "\n"
    "Mosaics every GSI DEM XML file below FOLDER (1 m, 5 m, 10 m; plain files or\n"
    "members of the downloaded zips, zips inside zips too) into one raster:\n"
    "32-bit float heights in metres, nodata -9999, a tiled and compressed GeoTIFF\n"
    "in JGD2011 latitude/longitude (EPSG:6668) with the cell size of the finest\n"
    "input. Where meshes overlap the finer one wins, then product A over B over C,\n"
    "then the newer file; holes in the better source are filled from the others.\n"
    "\n"
    "Options:\n"
    "  --format F       a GDAL raster format instead of GTiff (COG, HFA, ENVI,\n"
    "                   AAIGrid, XYZ, ...; see gdalinfo --formats)\n"
    "  --resolution R   cell size: arc-seconds for latitude/longitude output,\n"
    "                   metres with --zone (default: the finest input's cell;\n"
    "                   coarser cells take the mean, finer ones interpolate)\n"
    "  --zone N         plane rectangular zone N (1..19) instead: EPSG 6668+N\n"
    "  --sea-zero       sea-surface cells without a value become 0 m (other cells\n"
    "                   without a value stay nodata)\n"
    "  --overviews      add reduced-resolution overviews (averaged)\n"
    "  --quiet          only problems and the summary on stderr\n"
    "  --help, --version\n"
    "\n"
    "The output is written beside OUT under a temporary name and renamed into\n"
    "place when complete; interrupted (Ctrl-C, kill, a closed terminal), it\n"
    "removes the temporary and leaves OUT as it was. Exit codes: 0 written;\n"
    "1 written, but some files were left out (named on stderr); 2 nothing\n"
    "written; 3 usage errors.\n";

class StderrProgress : public GridpackObserver {
 public:
  explicit StderrProgress(bool quiet) : quiet_(quiet), tty_(isatty(STDERR_FILENO)) {}
  void scanning(int done, int total) override { show("reading headers", done, total, {}); }
  void meshWritten(int done, int total, const std::string& name) override {
    show("writing", done, total, name);
  }
  void finishing() override {
    if (!quiet_) std::fprintf(stderr, "%sfinishing the raster\n", tty_ ? "\r\033[K" : "");
  }

 private:
  void show(const char* what, int done, int total, const std::string& name) {
    if (quiet_ || total <= 0) return;
    const int percent = static_cast<int>(100LL * done / total);
    if (tty_) {
      std::fprintf(stderr, "\r\033[K%s %d/%d (%d%%) %s", what, done, total, percent, name.c_str());
      if (done == total) std::fputc('\n', stderr);
    } else if (percent / 10 != last_ / 10 || done == total) {
      std::fprintf(stderr, "%s %d/%d (%d%%)\n", what, done, total, percent);
    }
    last_ = done == total ? -10 : percent;
  }
  bool quiet_, tty_;
  int last_ = -10;
};

bool ParseNumber(const std::string& s, double& v) {
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  return ec == std::errc() && end == s.data() + s.size();
}

int Usage(const std::string& why) {
  std::fprintf(stderr, "velkaro-gridpack: %s\n\n%s", why.c_str(), kUsageText);
  return kUsage;
}

}  // namespace

int main(int argc, char** argv) {
  // A file-size limit (ulimit -f) makes the write fail with EFBIG, reported
  // like a full disk, instead of killing the program half-way.
  std::signal(SIGXFSZ, SIG_IGN);
  RemoveTemporariesOnInterrupt();
  GridpackOptions options;
  bool quiet = false;
  std::vector<std::string> positional;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto value = [&](std::string& out) {
      if (i + 1 >= argc) return false;
      out = argv[++i];
      return true;
    };
    std::string v;
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsageText, stdout);
      return kSuccess;
    } else if (arg == "--version") {
      std::printf("velkaro-gridpack %s\n", VELKARO_VERSION);
      return kSuccess;
    } else if (arg == "--format") {
      if (!value(options.format)) return Usage("--format needs a GDAL format name");
    } else if (arg == "--resolution") {
      if (!value(v) || !ParseNumber(v, options.resolution) || !(options.resolution > 0))
        return Usage("--resolution needs a positive number");
    } else if (arg == "--zone") {
      double zone = 0;
      if (!value(v) || !ParseNumber(v, zone) || zone < 1 || zone > 19 || zone != static_cast<int>(zone))
        return Usage("--zone needs a zone number 1 to 19");
      options.zone = static_cast<int>(zone);
    } else if (arg == "--sea-zero") {
      options.seaZero = true;
    } else if (arg == "--overviews") {
      options.overviews = true;
    } else if (arg == "--quiet") {
      quiet = true;
    } else if (arg.size() > 1 && arg[0] == '-') {
      return Usage("unknown option " + arg);
    } else {
      positional.push_back(arg);
    }
  }
  if (positional.size() != 2) return Usage(positional.size() < 2 ? "FOLDER and OUT are needed" : "too many arguments");
  options.folder = positional[0];
  options.outPath = positional[1];
  std::error_code ec;
  if (!std::filesystem::is_directory(options.folder, ec)) {
    std::fprintf(stderr, "velkaro-gridpack: not a folder: %s\n", options.folder.c_str());
    return kFailed;
  }

  StderrProgress progress(quiet);
  const GridpackSummary s = RunGridpack(options, progress);
  for (const std::string& line : s.problems) std::fprintf(stderr, "  %s\n", line.c_str());
  if (!s.written) {
    std::fprintf(stderr, "velkaro-gridpack: %s\n", s.error.c_str());
    return kFailed;
  }
  std::fprintf(stderr, "%s: %d mesh(es), %ld x %ld cells, EPSG:%d, %.1f MB of DEM XML", options.outPath.c_str(),
               s.meshes, s.grid.cols, s.grid.rows, s.epsg, s.xmlBytes / 1e6);
  if (s.superseded)
    std::fprintf(stderr, ", %d duplicate or older cop%s left out", s.superseded, s.superseded == 1 ? "y" : "ies");
  if (s.coverage < 0.5)
    std::fprintf(stderr, "; the meshes cover %.2g%% of the box (empty blocks left out of the file)",
                 s.coverage * 100);
  std::fputc('\n', stderr);
  return s.problems.empty() ? kSuccess : kSomeLeftOut;
}
