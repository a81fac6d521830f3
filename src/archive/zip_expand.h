#pragma once
// Expanding the downloaded zips of a folder tree: every ".zip" below the
// folder is expanded next to itself, and the zips that come out of it are
// expanded in turn (the GSI download bundles hold zips inside zips). Files
// already there with the same bytes are left alone; members that would
// leave the zip's folder are refused by name; a damaged archive is reported
// and the others go on.

#include <string>
#include <vector>

namespace velkaro {

struct ExpandOptions {
  bool overwrite = false;   // replace a different file of a member's name
  int maxDepth = 8;         // zips nested deeper than this are not expanded
};

// What expanding one archive did.
struct ArchiveResult {
  std::string path;
  int depth = 0;                      // 0 for a zip found in the folder tree
  int written = 0, identical = 0;
  int refused = 0, kept = 0;          // unsafe members; conflicts left alone
  bool damaged = false;
  std::vector<std::string> messages;  // one line per refusal, conflict or damage
  std::vector<std::string> innerZips; // zips it held, now on disk

  bool failed() const { return damaged || refused > 0 || kept > 0; }
};

// Progress: called before and after each archive. `known` is the number of
// archives known so far (it grows as inner zips come out).
class ExpandObserver {
 public:
  virtual ~ExpandObserver() = default;
  virtual void archiveStarted(const std::string& path, int index, int known) {
    (void)path, (void)index, (void)known;
  }
  virtual void archiveDone(const ArchiveResult& result, int index, int known) {
    (void)result, (void)index, (void)known;
  }
};

struct ExpandSummary {
  int archives = 0, failed = 0;
  int written = 0, identical = 0, refused = 0, kept = 0;
};

// Expands one zip into the folder it lies in.
ArchiveResult ExpandZip(const std::string& zipPath, const ExpandOptions& options, int depth = 0);

// Expands every zip below `folder` (sorted by path), then the zips inside
// them, each once.
ExpandSummary ExpandZipsBelow(const std::string& folder, const ExpandOptions& options,
                              ExpandObserver& observer);

}  // namespace velkaro
