#pragma once
// The members of each zip (and of the zips inside it), listed once for a
// whole job. The scans look for a different file pattern in every layer
// group, count pass and reading pass of every tile, and listing a zip inside
// a zip means expanding it in memory; without this a folder of GSI
// downloads had each inner zip expanded dozens of times per tile just to
// learn its member names.

#include <string>
#include <unordered_map>
#include <vector>

#include "archive/zip_members.h"

namespace velkaro {

class ArchiveListings {
 public:
  // Every file member of the zip on disk, at any depth, in archive order;
  // null when the zip (or one inside it) is damaged: the caller then lists
  // what it wants itself and reports the damage where it lies.
  const std::vector<ZipMemberRef>* members(const std::string& zipPath);

 private:
  struct Listing {
    bool whole = false;
    std::vector<ZipMemberRef> members;
  };
  std::unordered_map<std::string, Listing> byZip_;
};

}  // namespace velkaro
