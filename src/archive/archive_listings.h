#pragma once
// The files of each source folder and the members of each zip (and of the
// zips inside it), listed once for a whole job. The scans look for a
// different file pattern in every layer group, count pass and reading pass
// of every tile: without this every scan walked the folder tree again (a
// twentieth of the sample job), and a folder of GSI downloads had each
// inner zip expanded dozens of times per tile just to learn its member
// names. Files that appear in a folder during the run are not seen.

#include <map>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "archive/zip_members.h"

namespace velkaro {

class ArchiveListings {
 public:
  // Every file member of the zip on disk, at any depth, in archive order;
  // null when the zip (or one inside it) is damaged: the caller then lists
  // what it wants itself and reports the damage where it lies.
  const std::vector<ZipMemberRef>* members(const std::string& zipPath);

  // The regular files of the folder (and, when `recursive`, of its
  // subfolders), sorted by path, as FindFiles finds them.
  const std::vector<std::string>& folderFiles(const std::string& folder, bool recursive);

 private:
  struct Listing {
    bool whole = false;
    std::vector<ZipMemberRef> members;
  };
  std::unordered_map<std::string, Listing> byZip_;
  std::map<std::pair<std::string, bool>, std::vector<std::string>> byFolder_;
};

}  // namespace velkaro
