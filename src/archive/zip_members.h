#pragma once
// Reading zip members in place: the members of a zip, and of the zips inside
// it to any depth, found by file name and read into memory without writing
// anything to disk. The source scans use it to take the downloads exactly as
// they come.
//
//   ZipMemberFilter filter;
//   filter.member = [](std::string_view name) { return WildcardMatch("*dem5*.xml", name); };
//   ForEachZipMember(zipPath, filter, [&](const ZipMemberRef& ref, std::string_view bytes) {
//     ... parse bytes; ref.display() names the member in messages ...
//     return true;   // go on
//   }, error);

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace velkaro {

// Where a member lives: the zip on disk, the zips inside it that lead to the
// member (outermost first), and the member's path inside the innermost one.
struct ZipMemberRef {
  std::string zipPath;
  std::vector<std::string> nesting;
  std::string member;
  int64_t size = -1;   // bytes after expansion; -1 when the archive does not say

  // "dl.zip/inner.zip/a/b.xml": the zip's path, then the steps inside.
  std::string display() const;
  // The member's file name ("b.xml").
  std::string_view fileName() const;
};

// Which members to take, decided on file names (the last step of a member
// path). Inner zips are opened when `innerZip` takes their name (all of
// them when it is empty); a zip member is never passed to `member`.
struct ZipMemberFilter {
  std::function<bool(std::string_view fileName)> member;
  std::function<bool(std::string_view fileName)> innerZip;
  int maxDepth = 8;       // zips inside zips deeper than this are left closed
  size_t prefixBytes = 0; // ForEachZipMember: hand over only this many leading bytes (0: all)
};

// Called with each member taken and its bytes (valid during the call).
// Returning false stops the walk.
using ZipMemberVisitor = std::function<bool(const ZipMemberRef&, std::string_view bytes)>;

// Reads every member the filter takes, in archive order, opening each zip
// (and each inner zip) once. False when an archive is damaged: `error` then
// names it (and `damaged`, when given, receives its path alone, e.g.
// "dl.zip/inner.zip"); the members handed over before stay valid.
bool ForEachZipMember(const std::string& zipPath, const ZipMemberFilter& filter,
                      const ZipMemberVisitor& visit, std::string& error,
                      std::string* damaged = nullptr);

// The members the filter takes, without reading them (inner zips are read
// into memory to list theirs).
bool ListZipMembers(const std::string& zipPath, const ZipMemberFilter& filter,
                    std::vector<ZipMemberRef>& members, std::string& error,
                    std::string* damaged = nullptr);

// One member read whole into `bytes`. Opens the zip and each inner zip on
// the way, so many reads of one archive go faster through ForEachZipMember.
bool ReadZipMember(const ZipMemberRef& ref, std::string& bytes, std::string& error);

}  // namespace velkaro
