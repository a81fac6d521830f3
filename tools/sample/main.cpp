// velkaro-sample: writes the bundled sample area in the real file layouts, so
// a new user sees a real map with no download.
//   velkaro-sample OUTDIR [--sjis]
// creates OUTDIR/基盤地図情報, OUTDIR/標高データ, OUTDIR/国土数値情報 and
// OUTDIR/国土基本情報.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "sample_area.h"

int main(int argc, char** argv) {
  if (argc < 2 || std::strcmp(argv[1], "--help") == 0) {
    std::fprintf(stderr, "usage: velkaro-sample OUTDIR [--sjis]\n"
                         "Writes a sample area (FGD vector layers, DEM XML, an ETOPO-layout grid,\n"
                         "KSJ themes, KKJ annotation and symbols) below OUTDIR.\n");
    return argc < 2 ? 3 : 0;
  }
  const std::string out = argv[1];
  velkaro::sample::SampleOptions options;
  for (int i = 2; i < argc; ++i)
    if (std::strcmp(argv[i], "--sjis") == 0) options.shiftJis = true;
  std::error_code ec;
  std::filesystem::create_directories(out, ec);
  int failures = 0;
  auto report = [&](const char* what, const std::string& error) {
    if (error.empty()) return;
    std::fprintf(stderr, "velkaro-sample: %s: %s\n", what, error.c_str());
    ++failures;
  };
  report("FGD", velkaro::sample::WriteFgdSample(out + "/基盤地図情報", options));
  report("FGD points", velkaro::sample::WriteFgdPointSample(out + "/基盤地図情報", options));
  report("KKJ", velkaro::sample::WriteKkjSample(out + "/国土基本情報", options));
  report("DEM", velkaro::sample::WriteDemSample(out + "/標高データ", options));
  report("KSJ", velkaro::sample::WriteKsjSample(out + "/国土数値情報", options));
  return failures ? 1 : 0;
}
