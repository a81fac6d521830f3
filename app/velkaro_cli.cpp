// velkaro-cli: the command-line twin of the desktop program. Every setting of
// a job can be given here, so scripts need not edit settings files.

#include <QGuiApplication>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <charconv>
#include <memory>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "cli_host.h"
#include "cli_workers.h"
#include "job/cell_buffer.h"
#include "job/coordinates.h"
#include "run/driver.h"
#include "job/job_loader.h"
#include "job/messages.h"
#include "job/mesh_codes.h"
#include "job/settings_file.h"
#include "run/start_action.h"
#include "run/tile_selection.h"
#include "job/tile_grid.h"
#include "job/validation.h"
#include "output/index_map.h"
#include "platform/app_folders.h"

using namespace velkaro;

namespace {

enum Exit { kSuccess = 0, kRefused = 1, kFailed = 2, kUsage = 3 };

const char* kUsageText =
    "usage: velkaro-cli COMMAND [ARGS] [OPTIONS]\n"
    "\n"
    "Draws raster maps of Japan from downloaded GSI and MLIT data folders.\n"
    "\n"
    "Commands:\n"
    "  run JOB.pxj [--set S/K=V]... [--yes] [--keep-scratch] [--quiet] [--jobs N]\n"
    "      [--tiles LIST | --tile-index I --tile-count N]\n"
    "        validate, confirm overwrites, draw every tile with a progress line on\n"
    "        stderr, print the report; saves LastDraw.pxj after a clean run.\n"
    "        Ctrl-C, SIGTERM and a closed terminal (SIGHUP) abort: tiles already\n"
    "        written are kept, scratch files and temporary names removed.\n"
    "        --jobs N       use N cores: draw the tiles in N worker processes of\n"
    "                       one thread each (default: the number of cores). 1\n"
    "                       draws in this process on one thread (the software\n"
    "                       GL's own threads included); a job of one tile draws\n"
    "                       in this process with a second thread when N > 1.\n"
    "                       The files are the same, byte for byte. Each\n"
    "                       worker is a whole process with its own render surface\n"
    "                       (about 8 bytes per image pixel: 24 MB at 2048 x\n"
    "                       1448), its own cell pool (32 MB per memory step of\n"
    "                       the job), one tile's elevation grid, up to 128 MB\n"
    "                       of DEM files kept taken apart for the next tiles\n"
    "                       and 256 kB to read them through: about 395 MB in\n"
    "                       all for 2048 x 1448 tiles at one memory step.\n"
    "                       Plan for N times that. A DEM file one worker\n"
    "                       takes apart is left for the others in a folder\n"
    "                       under TMPDIR (or /tmp), up to 1 GB in all, removed\n"
    "                       once no tile left needs them.\n"
    "        --tiles LIST   draw only the named tiles: labels as in the file names,\n"
    "                       comma-separated; a rectangle by its corners: A0,B3 or\n"
    "                       A0-C5 (rows A to C, columns 0 to 5).\n"
    "        --tile-index I --tile-count N\n"
    "                       draw only share I (0 .. N-1) of N near-equal shares of\n"
    "                       the tiles in reading order, as an array job hands out.\n"
    "                       Runs of chosen tiles ask only about their own files\n"
    "                       and write no index: run `index` once all are drawn.\n"
    "  index JOB.pxj [--set S/K=V]...\n"
    "        write index.bmp and indexmap.htm from the tiles on disk (after runs of\n"
    "        chosen tiles); refused while a tile file is missing.\n"
    "  check JOB.pxj [--set S/K=V]...\n"
    "        validation only: the message lines, or the derived values (name=value).\n"
    "  tiles JOB.pxj [--set S/K=V]...\n"
    "        one line per tile: file name, west, east, south, north (tab-separated).\n"
    "  save JOB.pxj OUT.pxj [--set S/K=V]...\n"
    "        read JOB (upgrading old layouts), apply the sets, write OUT.\n"
    "  layers [JOB.pxj] [--set S/K=V]...\n"
    "        the layer catalogue: number, tree (FGD, KSJ, KKJ, MESH), name or theme\n"
    "        code, display text, state, colour, style word, reader mask.\n"
    "  xy ZONE LAT LON     geographic -> plane coordinates: X (north), Y (east), metres\n"
    "  bl ZONE X Y         plane -> geographic: latitude, longitude, degrees\n"
    "                      ZONE is 1..19, or 0 for the lat/lon mode\n"
    "  mesh FORM LONW LATS LONE LATN\n"
    "        standard regional mesh codes of a box, FORM 4, 6, 8, 16 or 18.\n"
    "\n"
    "A JOB of '-' starts from the defaults. Settings are named section/key as in\n"
    "the settings file, e.g. --set area/namae=tokyo --set area/zahyokei=33\n"
    "--set GSI-OnOff/RdEdg-1=1 --set kankaku/A0=5. The output type is kihon/type:\n"
    "0 BMP tiles, 1 flood animation tiles (movie/format 0 AVI, 1 MP4 H.264),\n"
    "2 GeoTIFF tiles, 3 PNG tiles with .pgw world and .prj files; a job of more\n"
    "than one tile also writes index.bmp and indexmap.htm into the output folder.\n"
    "--set alti/zentai=1 gives every tile the automatic legend of the whole area.\n"
    "\n"
    "Options:\n"
    "  --yes           answer yes to every question (overwrite existing outputs)\n"
    "  --keep-scratch  keep each tile's scratch files under scratch/<tile>/ in the\n"
    "                  output folder\n"
    "  --quiet         no progress line\n"
    "  --help, --version\n"
    "\n"
    "Exit codes: 0 success; 1 refused (validation, a declined overwrite, a limit);\n"
    "2 the run ended with an error text or was aborted; 3 usage errors.\n"
    "Messages meant for a message box go to stderr as \"title: text\".\n";

struct Options {
  std::string command;
  std::vector<std::string> positional;
  std::vector<std::string> sets;
  bool yes = false, keepScratch = false, quiet = false;
  int jobs = 0;  // 0: the number of cores
  std::string tiles;
  int tileIndex = -1, tileCount = 0;
  std::string worker;  // a worker's channels, set by the parent
};

bool ParseInt(const std::string& text, int& out) {
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
  return ec == std::errc() && end == text.data() + text.size();
}

int Usage(const std::string& problem) {
  std::fprintf(stderr, "velkaro-cli: %s\n(see velkaro-cli --help)\n", problem.c_str());
  return kUsage;
}

bool ParseOptions(int argc, char** argv, Options& o, std::string& problem) {
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    const bool valueOption = a == "--jobs" || a == "-j" || a == "--tiles" || a == "--tile-index" ||
                             a == "--tile-count" || a == "--worker";
    if (valueOption && i + 1 >= argc) return problem = a + " needs a value", false;
    if (a == "--jobs" || a == "-j") {
      if (!ParseInt(argv[++i], o.jobs) || o.jobs < 1) return problem = "--jobs needs a number of 1 or more", false;
    } else if (a == "--tiles") {
      o.tiles = argv[++i];
    } else if (a == "--tile-index") {
      if (!ParseInt(argv[++i], o.tileIndex)) return problem = "--tile-index needs a number", false;
    } else if (a == "--tile-count") {
      if (!ParseInt(argv[++i], o.tileCount)) return problem = "--tile-count needs a number", false;
    } else if (a == "--worker") {
      o.worker = argv[++i];
    } else if (a == "--set") {
      if (i + 1 >= argc) return problem = "--set needs section/key=value", false;
      o.sets.push_back(argv[++i]);
    } else if (a.rfind("--set=", 0) == 0) {
      o.sets.push_back(a.substr(6));
    } else if (a == "--yes" || a == "-y") {
      o.yes = true;
    } else if (a == "--keep-scratch") {
      o.keepScratch = true;
    } else if (a == "--quiet" || a == "-q") {
      o.quiet = true;
    } else if (a.size() > 1 && a[0] == '-' && !(a.size() > 1 && (std::isdigit(static_cast<unsigned char>(a[1])) || a[1] == '.'))) {
      return problem = "unknown option " + a, false;
    } else if (o.command.empty()) {
      o.command = a;
    } else {
      o.positional.push_back(a);
    }
  }
  return true;
}

// Catalogue, defaults, the job file and the sets; false with a message.
bool LoadJob(const Options& o, const std::string* jobPath, JobSettings& settings) {
  StartupResult start = StartupSettings(ProgramFolder());
  for (const CatalogueMessage& m : start.messages)
    std::fprintf(stderr, "%s: %s\n", m.title.c_str(), m.text.c_str());
  if (!start.usable) return false;
  settings = std::move(start.settings);
  if (jobPath && *jobPath != "-" && !ReadSettings(settings, *jobPath)) {
    std::fprintf(stderr, "velkaro-cli: cannot read %s\n", jobPath->c_str());
    return false;
  }
  std::string error;
  size_t failed = 0;
  if (!ApplySettingAssignments(settings, o.sets, &error, &failed)) {
    std::fprintf(stderr, "velkaro-cli: --set %s: %s\n", o.sets[failed].c_str(), error.c_str());
    return false;
  }
  return true;
}

std::string WithLf(std::string text) {
  std::string out;
  for (char ch : text)
    if (ch != '\r') out += ch;
  return out;
}

bool OnlyFolderProblems(const std::string& problems) {
  std::string rest = WithLf(problems);
  for (const char* folder : {msg::kNoReadFolder, msg::kNoMeshFolder, msg::kNoKsjFolder,
                             msg::kNoKkjFolder, msg::kNoWriteFolder}) {
    const std::string line = WithLf(folder);
    for (size_t at; (at = rest.find(line)) != std::string::npos;) rest.erase(at, line.size());
  }
  return rest.find_first_not_of("\n") == std::string::npos;
}

// Loads the job named by the first argument (defaults when absent), validates
// it and hands the context and the validation text to `body`.
int WithValidatedJob(const Options& o, const std::function<int(JobContext&, const std::string&)>& body) {
  JobSettings settings;
  const std::string job = o.positional.empty() ? "-" : o.positional[0];
  if (!LoadJob(o, &job, settings)) return kUsage;
  SilentHost host;
  CellBuffer pool;
  JobContext ctx(settings, host, pool);
  const std::string problems = ValidateJob(ctx);
  return body(ctx, problems);
}

int CommandCheck(const Options& o) {
  return WithValidatedJob(o, [](JobContext& ctx, const std::string& problems) {
    if (!problems.empty()) {
      std::fputs(WithLf(problems).c_str(), stdout);
      return kRefused;
    }
    std::fputs(DerivedValuesText(ctx).c_str(), stdout);
    return kSuccess;
  });
}

int CommandTiles(const Options& o) {
  return WithValidatedJob(o, [](JobContext& ctx, const std::string& problems) {
    // Tiles can be named without the source folders being there.
    if (!OnlyFolderProblems(problems)) {
      std::fputs(WithLf(problems).c_str(), stderr);
      return kRefused;
    }
    for (int r = 0; r < ctx.grid.rows; ++r)
      for (int c = 0; c < ctx.grid.cols; ++c) {
        const CurrentTile t = TileAt(ctx.area, ctx.grid, ctx.image, r, c);
        std::string name = TileFileName(ctx.settings, ctx.grid, r, c);
        name = name.substr(name.find_last_of('/') + 1);
        std::printf("%s\t%.10g\t%.10g\t%.10g\t%.10g\n", name.c_str(), t.west, t.east, t.south, t.north);
      }
    return kSuccess;
  });
}

int CommandSave(const Options& o) {
  if (o.positional.size() != 2) return Usage("save needs JOB.pxj and OUT.pxj");
  JobSettings settings;
  if (!LoadJob(o, &o.positional[0], settings)) return kUsage;
  std::string error;
  if (!WriteSettings(settings, o.positional[1], &error)) {
    std::fprintf(stderr, "velkaro-cli: %s\n", error.c_str());
    return kFailed;
  }
  return kSuccess;
}

std::string Hex6(int32_t colour) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "$%06X", static_cast<unsigned>(colour) & 0xFFFFFFu);
  return buf;
}

void PrintTree(const char* treeName, const LayerTree& tree) {
  for (const LayerGroup& g : tree.groups)
    for (const LayerNode& n : g.children)
      std::printf("%s\t%s\t%s\t%s\t%d\t%s\t%d\t%d\n", FormatLayerNumber(n.layerNumber).c_str(), treeName,
                  n.entry.name.c_str(), n.text.c_str(), n.on ? 1 : 0, Hex6(n.entry.colour).c_str(),
                  n.entry.styleWord(), n.entry.readerMask);
}

int CommandLayers(const Options& o) {
  JobSettings settings;
  const std::string job = o.positional.empty() ? "-" : o.positional[0];
  if (!LoadJob(o, &job, settings)) return kUsage;
  const MeshSwitch& m = settings.tiikimesh;
  std::printf("001\tMESH\ttiikimesh\t%s\t%d\t%s\t%d\t0\n", m.caption.c_str(), m.on ? 1 : 0,
              Hex6(m.colour).c_str(), m.styleWord);
  PrintTree("FGD", settings.layers.fgd);
  for (const KsjTheme& t : settings.layers.ksj)
    std::printf("%s\tKSJ\t%s\t%s\t%d\t%s\t%d\t%d\n", FormatLayerNumber(t.layerNumber).c_str(), t.code.c_str(),
                t.caption.c_str(), t.on ? 1 : 0, Hex6(t.colour).c_str(), t.styleWord, t.readerMask);
  PrintTree("KKJ", settings.layers.kkj);
  return kSuccess;
}

bool ParseNumber(const std::string& text, double& out) { return ParseDecimal(text, out); }

bool ZoneState(const std::string& text, CoordinateState& cs) {
  double zone = 0;
  if (!ParseNumber(text, zone) || zone != static_cast<int>(zone)) return false;
  return SetZoneNumber(cs, static_cast<int>(zone), 1.0);
}

int CommandXy(const Options& o, bool inverse) {
  if (o.positional.size() != 3) return Usage(inverse ? "bl needs ZONE X Y" : "xy needs ZONE LAT LON");
  CoordinateState cs;
  double a = 0, b = 0;
  if (!ZoneState(o.positional[0], cs)) return Usage("ZONE must be 1..19, or 0 for latitude/longitude");
  if (!ParseNumber(o.positional[1], a) || !ParseNumber(o.positional[2], b))
    return Usage("coordinates must be decimal numbers");
  if (inverse) {
    const GeoLatLon g = xytobl(cs, b, a);
    std::printf("%.10f\n%.10f\n", g.lat, g.lon);
  } else {
    const PlaneXY p = bltoxy(cs, b, a);
    std::printf("%.4f\n%.4f\n", p.x + 0.0, std::fabs(p.y) < 5e-5 ? 0.0 : p.y);
  }
  return kSuccess;
}

int CommandMesh(const Options& o) {
  if (o.positional.size() != 5) return Usage("mesh needs FORM LONW LATS LONE LATN");
  double form = 0, v[4];
  if (!ParseNumber(o.positional[0], form) || MeshLevelMultiplier(static_cast<int>(form)) == 0)
    return Usage("FORM must be 4, 6, 8, 16 or 18");
  for (int i = 0; i < 4; ++i)
    if (!ParseNumber(o.positional[i + 1], v[i])) return Usage("the box must be decimal degrees");
  const TileGeoBox box{v[0], v[2], v[1], v[3]};
  std::vector<std::string> codes;
  AppendMeshCodes(codes, box, static_cast<int>(form));
  for (const std::string& code : codes) std::printf("%s\n", code.c_str());
  return kSuccess;
}

// Drawing text needs a GUI application object; no window is ever opened.
// It is made once and left for the end of the process rather than taken
// down: taking down one that drew no text (the parent of workers) loads the
// font configuration only to throw it away, 3 ms at the end of the run.
void StartOffscreenGui(int argc, char** argv) {
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  if (!std::getenv("XDG_RUNTIME_DIR")) {
    const std::string dir = "/tmp/runtime-" + std::to_string(getuid());
    mkdir(dir.c_str(), 0700);
    setenv("XDG_RUNTIME_DIR", dir.c_str(), 1);
  }
  static int guiArgc = argc;   // the object keeps a reference to it
  static QGuiApplication* const gui = new QGuiApplication(guiArgc, argv);
  (void)gui;
}

// The arguments a worker is started with: the same job, sets and answers.
std::vector<std::string> WorkerArguments(const Options& o) {
  std::vector<std::string> args{"run", o.positional[0], "--quiet"};
  for (const std::string& set : o.sets) {
    args.push_back("--set");
    args.push_back(set);
  }
  if (o.yes) args.push_back("--yes");
  if (o.keepScratch) args.push_back("--keep-scratch");
  return args;
}

// Keeps the software GL to the calling thread (unless the user set
// otherwise): a job kept to one core, or a worker among as many as there are
// cores, gains nothing from GL's own threads but their hand-overs.
void KeepGlToOneThread() { setenv("LP_NUM_THREADS", "0", 0); }

// A worker's run of the job's tiles, in a process with its GUI object. A
// worker copied from the parent by fork() starts from the job as the parent
// loaded it (`loaded`); one started as a program loads it again.
int RunWorker(const Options& o, const WorkerChannels& channels, const JobSettings* loaded = nullptr) {
  KeepGlToOneThread();
  JobSettings settings;
  if (loaded)
    settings = *loaded;
  else if (!LoadJob(o, &o.positional[0], settings))
    return kUsage;
  WorkerHost host(channels.statusFd, o.yes);
  CellBuffer pool;
  JobContext ctx(settings, host, pool);
  ctx.programFolder = ProgramFolder();
  ctx.keepScratch = o.keepScratch;
  // The cores are shared out as workers: each draws on one thread.
  ctx.helperThreads = false;
  host.attach(&ctx);
  return RunAsWorker(ctx, channels);
}

int CommandWorker(const Options& o, int argc, char** argv) {
  WorkerChannels channels;
  if (o.positional.size() != 1 || !ParseWorkerChannels(o.worker, channels)) return Usage("bad --worker");
  StartOffscreenGui(argc, argv);
  return RunWorker(o, channels);
}

// The tiles named by --tiles or --tile-index/--tile-count (empty: every
// tile); false with a usage message.
bool ChosenTiles(const Options& o, JobContext& ctx, std::vector<TilePick>& tiles, std::string& problem) {
  const bool share = o.tileIndex >= 0 || o.tileCount > 0;
  if (!o.tiles.empty() && share) return problem = "--tiles and --tile-index exclude each other", false;
  if (share && (o.tileIndex < 0 || o.tileCount < 1))
    return problem = "--tile-index and --tile-count go together", false;
  if (ValidateJob(ctx).empty()) {
    if (!o.tiles.empty()) return ParseTileList(o.tiles, ctx.grid, tiles, problem);
    if (share) return TileShare(ctx.grid, o.tileIndex, o.tileCount, tiles, problem);
  }
  return true;  // an invalid job is refused by the start itself
}

// The index image and page of a job whose tiles are all on disk.
int CommandIndex(const Options& o, int argc, char** argv) {
  StartOffscreenGui(argc, argv);
  return WithValidatedJob(o, [](JobContext& ctx, const std::string& problems) {
    if (!problems.empty()) {
      std::fputs(WithLf(problems).c_str(), stderr);
      return kRefused;
    }
    if (ctx.grid.count() == 1) {
      std::fprintf(stderr, "velkaro-cli: a job of one tile has no index\n");
      return kRefused;
    }
    std::string missing;
    for (const TilePick& t : AllTiles(ctx.grid)) {
      const std::string path = TileFileName(ctx.settings, ctx.grid, t.row, t.col);
      struct stat st {};
      if (stat(path.c_str(), &st) != 0) missing += " " + TileLabel(ctx.grid, t.row, t.col);
    }
    if (!missing.empty()) {
      std::fprintf(stderr, "velkaro-cli: tiles not drawn yet:%s\n", missing.c_str());
      return kRefused;
    }
    ctx.programFolder = ProgramFolder();
    ctx.runFlag = true;
    WriteIndexMap(ctx);
    if (!ctx.errorText.empty()) {
      std::fprintf(stderr, "velkaro-cli: %s\n", WithLf(ctx.errorText).c_str());
      return kFailed;
    }
    return kSuccess;
  });
}

int CommandRun(const Options& o, int argc, char** argv) {
  if (o.positional.size() != 1) return Usage("run needs JOB.pxj");
  if (!o.worker.empty()) return CommandWorker(o, argc, argv);
  // Workers done with the run but still ending are waited for last, while
  // this process takes down the job and the rest.
  struct ExitingWorkers {
    std::vector<pid_t> pids;
    ~ExitingWorkers() { WaitForWorkers(pids); }
  } exiting;
  StartOffscreenGui(argc, argv);
  JobSettings settings;
  if (!LoadJob(o, &o.positional[0], settings)) return kUsage;
  const JobSettings loaded = settings;   // as the workers start from it
  CliHost host(o.yes, o.quiet);
  CellBuffer pool;
  JobContext ctx(settings, host, pool);
  ctx.programFolder = ProgramFolder();
  ctx.keepScratch = o.keepScratch;
  host.attach(&ctx);

  StartScope scope;
  std::string problem;
  if (!ChosenTiles(o, ctx, scope.tiles, problem)) return Usage(problem);
  const bool chosen = !o.tiles.empty() || o.tileCount > 0;
  if (chosen && scope.tiles.empty() && ValidateJob(ctx).empty()) {
    std::fprintf(stderr, "velkaro-cli: share %d of %d has no tiles\n", o.tileIndex, o.tileCount);
    return kSuccess;
  }
  // Runs of chosen tiles may share the output folder with other runs.
  std::unique_ptr<PrivateScratch> scratch;
  if (chosen) {
    scratch = std::make_unique<PrivateScratch>(ctx.settings.writefolder);
    ctx.scratchFolder = scratch->path();
  }
  const int jobs = o.jobs > 0 ? o.jobs : CoreCount();
  std::optional<StagedIndexMap> index;   // drawn and written by a worker
  ctx.helperThreads = jobs > 1;   // --jobs 1: one core, one thread
  if (jobs == 1) KeepGlToOneThread();
  const size_t tileCount = chosen ? scope.tiles.size() : static_cast<size_t>(std::max(ctx.grid.count(), 1));
  if (jobs > 1 && tileCount > 1) {
    WorkerLaunch launch{"/proc/self/exe", WorkerArguments(o),
                        [&o, &loaded](const WorkerChannels& channels) { return RunWorker(o, channels, &loaded); }, {}};
    // A run of every tile has its index drawn and written by a worker while
    // the last tiles are drawn; the files are put in place once every tile
    // exists.
    if (!chosen && ctx.grid.count() != 1)
      launch.indexStaged = [&ctx, &index](const std::string& image, const std::string& page,
                                          const std::string& boundaryError) {
        index.emplace(ctx, image, page, boundaryError);
      };
    scope.drawTiles = [&host, jobs, launch, &exiting](JobContext& job, const std::vector<TilePick>& tiles) {
      DrawTilesInWorkers(job, host, tiles, jobs, launch, exiting.pids);
    };
  }
  DriverCalls calls = DefaultDriverCalls();
  calls.writeIndexMap = [&index](JobContext& job) {
    if (index)
      index->commit(job);
    else
      WriteIndexMap(job);
  };
  const StartResult result = StartJob(ctx, calls, LastDrawPath(), scope);
  switch (result.outcome) {
    case StartOutcome::Finished: return kSuccess;
    case StartOutcome::Refused: return kRefused;
    case StartOutcome::Aborted:
      std::fprintf(stderr, "velkaro-cli: aborted; tiles written so far are kept\n");
      return kFailed;
    case StartOutcome::Failed: return kFailed;
  }
  return kFailed;
}

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      std::fputs(kUsageText, stdout);
      return kSuccess;
    }
    if (std::strcmp(argv[i], "--version") == 0) {
      std::printf("velkaro-cli %s\n", VELKARO_VERSION);
      return kSuccess;
    }
  }
  Options o;
  std::string problem;
  if (!ParseOptions(argc, argv, o, problem)) return Usage(problem);
  if (o.command.empty()) return Usage("no command");
  if (o.command == "run") return CommandRun(o, argc, argv);
  if (o.command == "check") return CommandCheck(o);
  if (o.command == "index") return CommandIndex(o, argc, argv);
  if (o.command == "tiles") return CommandTiles(o);
  if (o.command == "save") return CommandSave(o);
  if (o.command == "layers") return CommandLayers(o);
  if (o.command == "xy") return CommandXy(o, false);
  if (o.command == "bl") return CommandXy(o, true);
  if (o.command == "mesh") return CommandMesh(o);
  return Usage("unknown command " + o.command);
}
