// velkaro-expand: expands the downloaded zips of a folder tree next to
// themselves, zips inside zips included, so the data folders hold plain files.

#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "archive/zip_expand.h"
#include "platform/interrupt_cleanup.h"

using namespace velkaro;

namespace {

enum Exit { kSuccess = 0, kSomeFailed = 1, kNoFolder = 2, kUsage = 3 };

const char* kUsageText =
    "usage: velkaro-expand [--overwrite] [--quiet] FOLDER\n"
    "\n"
    "Expands every .zip below FOLDER next to itself, and the zips that come out\n"
    "of them in turn (the GSI download bundles hold zips inside zips). Member\n"
    "names are read as UTF-8 when the zip marks them so, else as CP932 (Shift_JIS).\n"
    "\n"
    "  - files already there with the same bytes are left alone, so a second run\n"
    "    only adds what is new;\n"
    "  - a file of a member's name with different bytes is kept and reported\n"
    "    (--overwrite replaces it);\n"
    "  - members that would leave the zip's folder (absolute paths, \"..\", links)\n"
    "    are refused and named; nothing is written outside the folder;\n"
    "  - a damaged archive is named and the others are expanded;\n"
    "  - each file is written under a temporary name and renamed when complete;\n"
    "    an interrupt (Ctrl-C, kill) removes the one being written, and a second\n"
    "    run goes on from there.\n"
    "\n"
    "Options:\n"
    "  --overwrite   replace files whose bytes differ from the member's\n"
    "  --quiet       only problems and the summary on stderr\n"
    "  --help, --version\n"
    "\n"
    "Progress goes to stderr, one line per archive. Exit codes: 0 every archive\n"
    "expanded; 1 some archive was damaged or some member refused or kept;\n"
    "2 FOLDER is not a folder; 3 usage errors.\n";

class StderrProgress : public ExpandObserver {
 public:
  explicit StderrProgress(bool quiet) : quiet_(quiet) {}
  void archiveDone(const ArchiveResult& r, int index, int known) override {
    if (!quiet_ || r.failed()) {
      std::fprintf(stderr, "[%d/%d] %s: %d written, %d already there", index, known, r.path.c_str(),
                   r.written, r.identical);
      if (r.refused) std::fprintf(stderr, ", %d refused", r.refused);
      if (r.kept) std::fprintf(stderr, ", %d kept", r.kept);
      if (r.damaged) std::fprintf(stderr, ", DAMAGED");
      std::fputc('\n', stderr);
    }
    for (const std::string& line : r.messages) std::fprintf(stderr, "  %s\n", line.c_str());
  }

 private:
  bool quiet_;
};

}  // namespace

int main(int argc, char** argv) {
  RemoveTemporariesOnInterrupt();
  ExpandOptions options;
  bool quiet = false;
  std::string folder;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsageText, stdout);
      return kSuccess;
    }
    if (arg == "--version") {
      std::printf("velkaro-expand %s\n", VELKARO_VERSION);
      return kSuccess;
    }
    if (arg == "--overwrite") options.overwrite = true;
    else if (arg == "--quiet") quiet = true;
    else if (!arg.empty() && arg[0] == '-' && arg != "-") {
      std::fprintf(stderr, "velkaro-expand: unknown option %s\n\n%s", arg.c_str(), kUsageText);
      return kUsage;
    } else if (folder.empty()) folder = arg;
    else {
      std::fprintf(stderr, "velkaro-expand: one FOLDER only\n\n%s", kUsageText);
      return kUsage;
    }
  }
  if (folder.empty()) {
    std::fputs(kUsageText, stderr);
    return kUsage;
  }
  // The GUI passes the folder with a trailing separator at times.
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  std::error_code ec;
  if (!std::filesystem::is_directory(folder, ec)) {
    std::fprintf(stderr, "velkaro-expand: not a folder: %s\n", folder.c_str());
    return kNoFolder;
  }
  StderrProgress progress(quiet);
  const ExpandSummary s = ExpandZipsBelow(folder, options, progress);
  std::fprintf(stderr, "%d archive(s): %d file(s) written, %d already there", s.archives, s.written,
               s.identical);
  if (s.refused) std::fprintf(stderr, ", %d refused", s.refused);
  if (s.kept) std::fprintf(stderr, ", %d kept", s.kept);
  if (s.failed) std::fprintf(stderr, "; %d archive(s) with problems", s.failed);
  std::fputc('\n', stderr);
  return s.failed ? kSomeFailed : kSuccess;
}
