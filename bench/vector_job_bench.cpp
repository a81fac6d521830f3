// A vector job end to end: velkaro-cli run over one large generated FGD
// coastline file (reader, scratch file, line drawing, BMP), next to
// `grep -c "<gml:posList>"` over the same file as a yardstick, in the same
// run. Two jobs: a tile over the whole file that draws every line, and a thin
// tile at the south edge of the same mesh that culls every feature. Then a
// building file of a quarter of the size (small upright rectangles, the
// area reader, tessellation and fill), every building drawn.
//   vector_job_bench [MEGABYTES]   (default 200; build tree: build/bench/)
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

std::string Quote(const std::string& s) { return "'" + s + "'"; }

// CPU time of the finished child processes: on a shared machine the steadier
// figure, since waiting for a core does not count.
double ChildrenCpu() {
  rusage u{};
  getrusage(RUSAGE_CHILDREN, &u);
  return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) * 1e-6;
}

struct Timed {
  double wall = 0, cpu = 0;
};

Timed Run(const std::string& command) {
  const auto start = Clock::now();
  const double cpu0 = ChildrenCpu();
  if (std::system(command.c_str()) != 0) std::fprintf(stderr, "failed: %s\n", command.c_str());
  return {std::chrono::duration<double>(Clock::now() - start).count(), ChildrenCpu() - cpu0};
}

// An FGD file of at least `bytes`: the dataset's head and tail around
// features that `feature(id, next, buf)` appends to buf, `next()` giving the
// file's own pseudo-random numbers from `seed`.
template <class Feature>
void WriteFgdFile(const fs::path& path, size_t bytes, unsigned seed, const Feature& feature) {
  std::ofstream out(path, std::ios::binary);
  out << "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<Dataset xmlns:gml=\"http://www.opengis.net/gml/3.2\" "
         "gml:id=\"Dataset1\">\n";
  auto next = [&seed]() { return (seed = seed * 1103515245u + 12345u) >> 8; };
  size_t written = 0;
  std::string buf;
  for (long id = 1; written < bytes; ++id) {
    buf.clear();
    feature(id, next, buf);
    out << buf;
    written += buf.size();
  }
  out << "</Dataset>\n";
}

// Appends "lat lon" lines.
void AppendVertex(std::string& buf, double lat, double lon) {
  char line[64];
  std::snprintf(line, sizeof line, "%.9f %.9f\n", lat, lon);
  buf += line;
}

// Coastlines in the FGD layout inside the secondary mesh 533946 (35.6667 to
// 35.75 N, 139.75 to 139.875 E), 20 to 60 vertices each, all in the northern
// part of the mesh from 35.70 N, so a tile along the southern edge sees none.
void Generate(const fs::path& path, size_t bytes) {
  WriteFgdFile(path, bytes, 12345, [](long id, auto& next, std::string& buf) {
    buf += "<Cstline gml:id=\"K_Cstline_" + std::to_string(id) + "\">\n<fid>bench-" + std::to_string(id) + "</fid>\n";
    buf += "<orgGILvl>25000</orgGILvl>\n<loc>\n<gml:Curve gml:id=\"c\" srsName=\"fguuid:jgd2011.bl\">\n"
           "<gml:segments>\n<gml:LineStringSegment>\n<gml:posList>\n";
    const int n = 20 + static_cast<int>(next() % 41);
    double lat = 35.705 + (next() % 40000) * 1e-6, lon = 139.755 + (next() % 110000) * 1e-6;
    for (int i = 0; i < n; ++i) {
      AppendVertex(buf, lat, lon);
      lat += (static_cast<int>(next() % 200) - 100) * 1e-7;
      lon += (static_cast<int>(next() % 200) - 100) * 1e-7;
    }
    buf += "</gml:posList>\n</gml:LineStringSegment>\n</gml:segments>\n</gml:Curve>\n</loc>\n"
           "<type>海岸線</type>\n</Cstline>\n";
  });
}

// Buildings in the FGD layout in the same part of the mesh: upright
// rectangles of 8 to 24 m (two to five pixels of the tile), each ring closed
// by its first point again.
void GenerateBuildings(const fs::path& path, size_t bytes) {
  WriteFgdFile(path, bytes, 54321, [](long id, auto& next, std::string& buf) {
    buf += "<BldA gml:id=\"K_BldA_" + std::to_string(id) + "\">\n<fid>bench-" + std::to_string(id) + "</fid>\n";
    buf += "<orgGILvl>2500</orgGILvl>\n<area>\n<gml:Surface gml:id=\"s\" srsName=\"fguuid:jgd2011.bl\">\n"
           "<gml:patches>\n<gml:PolygonPatch>\n<gml:exterior>\n<gml:Ring>\n<gml:curveMember>\n"
           "<gml:Curve gml:id=\"c\">\n<gml:segments>\n<gml:LineStringSegment>\n<gml:posList>\n";
    const double lat = 35.705 + (next() % 40000) * 1e-6, lon = 139.755 + (next() % 110000) * 1e-6;
    const double dlat = (8 + next() % 17) * 9e-6, dlon = (8 + next() % 17) * 1.1e-5;
    for (const auto& [a, b] : {std::pair{lat, lon}, {lat, lon + dlon}, {lat + dlat, lon + dlon}, {lat + dlat, lon}, {lat, lon}})
      AppendVertex(buf, a, b);
    buf += "</gml:posList>\n</gml:LineStringSegment>\n</gml:segments>\n</gml:Curve>\n</gml:curveMember>\n"
           "</gml:Ring>\n</gml:exterior>\n</gml:PolygonPatch>\n</gml:patches>\n</gml:Surface>\n</area>\n"
           "<type>普通建物</type>\n</BldA>\n";
  });
}

std::string Grep(const fs::path& path, double* cpu = nullptr) {
  const double cpu0 = ChildrenCpu();
  std::FILE* p = popen(("grep -c \"<gml:posList>\" " + Quote(path.string())).c_str(), "r");
  char buf[64] = {};
  if (p) {
    if (!std::fgets(buf, sizeof buf, p)) buf[0] = 0;
    pclose(p);
  }
  if (cpu) *cpu = ChildrenCpu() - cpu0;
  std::string count = buf;
  while (!count.empty() && count.back() == '\n') count.pop_back();
  return count;
}

}  // namespace

int main(int argc, char** argv) {
  const size_t megabytes = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 200;
  const fs::path bin = fs::canonical("/proc/self/exe").parent_path().parent_path() / "bin";
  const fs::path work = fs::temp_directory_path() / ("velkaro-vector-job-bench-" + std::to_string(getpid()));
  const fs::path fgd = work / "fgd";
  fs::create_directories(fgd);
  fs::create_directories(work / "empty");
  const fs::path file = fgd / "FG-GML-533946-Cstline-20161001-0001.xml";
  std::printf("generating %zu MB in %s ...\n", megabytes, file.c_str());
  std::fflush(stdout);
  Generate(file, megabytes * 1000000);
  const double mb = static_cast<double>(fs::file_size(file)) / 1e6;
  setenv("XDG_CONFIG_HOME", (work / "config").c_str(), 1);

  // Zone 9, metres: the whole mesh, and a 1 km strip along its southern edge.
  struct Job {
    const char* name;
    const char* kita;
    const char* minami;
  };
  const Job jobs[] = {{"all drawn   ", "-27700", "-37000"}, {"all culled  ", "-36000", "-37000"}};
  std::string common = " run - --yes --quiet --jobs 1";
  for (const std::string& set :
       {"kihon/readfolder=" + fgd.string(), "kihon/meshfolder=" + (work / "empty").string(),
        "kihon/syoufolder=" + (work / "empty").string(), "kihon/kkjfolder=" + (work / "empty").string(),
        std::string("kihon/size=7"), std::string("kihon/tanni=2"), std::string("area/namae=v"),
        std::string("area/zahyokei=33"), std::string("area/nisi=-7600"), std::string("area/higasi=3800"),
        std::string("area/yokodiv=1"), std::string("area/tatediv=1"), std::string("GSI-OnOff/Cstline-1=1")})
    common += " --set " + Quote(set);

  // The file is read once before timing so every run finds it in the cache.
  Grep(file);
  const auto grep0 = Clock::now();
  double grepCpu = 0;
  const std::string lists = Grep(file, &grepCpu);
  const double grepSeconds = std::chrono::duration<double>(Clock::now() - grep0).count();

  std::ifstream loadFile("/proc/loadavg");
  std::string load;
  std::getline(loadFile, load);
  std::printf("file %.1f MB, %s vertex lists; %u cores, load average %s (a shared machine: figures vary)\n", mb,
              lists.c_str(), std::thread::hardware_concurrency(), load.substr(0, load.find(' ')).c_str());
  std::printf("                       wall              CPU time\n");
  std::printf("grep -c posList : %7.3f s %7.1f MB/s  %7.3f s %7.1f MB/s  (yardstick)\n", grepSeconds,
              mb / grepSeconds, grepCpu, mb / grepCpu);
  for (const Job& job : jobs) {
    const fs::path out = work / "out";
    fs::remove_all(out);
    fs::create_directories(out);
    const std::string command = Quote((bin / "velkaro-cli").string()) + common + " --set " +
                                Quote(std::string("area/kita=") + job.kita) + " --set " +
                                Quote(std::string("area/minami=") + job.minami) + " --set " +
                                Quote("kihon/writefolder=" + out.string()) + " 2> /dev/null";
    const Timed t = Run(command);
    std::printf("cli %s: %7.3f s %7.1f MB/s  %7.3f s %7.1f MB/s  (%.2f of grep's rate)\n", job.name,
                t.wall, mb / t.wall, t.cpu, mb / t.cpu, grepSeconds / t.wall);
  }

  // The building job: a file of a quarter of the size, in a folder of its
  // own, every building drawn.
  const fs::path buildingFolder = work / "fgd-buildings";
  fs::create_directories(buildingFolder);
  const fs::path buildings = buildingFolder / "FG-GML-533946-BldA-20161001-0001.xml";
  GenerateBuildings(buildings, megabytes * 250000);
  const double buildingMb = static_cast<double>(fs::file_size(buildings)) / 1e6;
  Grep(buildings);
  const auto buildingGrep0 = Clock::now();
  double buildingGrepCpu = 0;
  const std::string rings = Grep(buildings, &buildingGrepCpu);
  const double buildingGrepSeconds = std::chrono::duration<double>(Clock::now() - buildingGrep0).count();
  std::printf("buildings %.1f MB, %s rings\n", buildingMb, rings.c_str());
  std::printf("grep -c posList : %7.3f s %7.1f MB/s  %7.3f s %7.1f MB/s  (yardstick)\n", buildingGrepSeconds,
              buildingMb / buildingGrepSeconds, buildingGrepCpu, buildingMb / buildingGrepCpu);
  {
    const fs::path out = work / "out";
    fs::remove_all(out);
    fs::create_directories(out);
    const std::string command = Quote((bin / "velkaro-cli").string()) + common + " --set " +
                                Quote("kihon/readfolder=" + buildingFolder.string()) +
                                " --set 'GSI-OnOff/Cstline-1=0' --set 'GSI-OnOff/BldA-1=1' --set 'area/kita=-27700'"
                                " --set 'area/minami=-37000' --set " +
                                Quote("kihon/writefolder=" + out.string()) + " 2> /dev/null";
    const Timed t = Run(command);
    std::printf("cli buildings  : %7.3f s %7.1f MB/s  %7.3f s %7.1f MB/s  (%.2f of grep's rate)\n", t.wall,
                buildingMb / t.wall, t.cpu, buildingMb / t.cpu, buildingGrepSeconds / t.wall);
  }
  if (!std::getenv("VELKARO_BENCH_KEEP")) fs::remove_all(work);
  return 0;
}
