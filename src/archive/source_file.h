#pragma once
// Source files as the scans find them: plain files of a folder tree and the
// members of the zips in it (zips inside zips too), found by the same
// file-name rule, so a user can point a scan at the downloads exactly as they
// come. A reader gets a SourceFile: a plain file it reads from disk as
// before, or a member's bytes already in memory. Nothing is written to disk.
//
//   SourceQuery query;
//   query.pattern = "*RdEdg*.xml";
//   query.subfolders = true;
//   query.archiveWanted = [&](std::string_view zipName) { ... mesh of the name meets the tile ... };
//   SourceList list = FindSources(folder, query);
//   SourceLoader loader;
//   for (const SourceRef& ref : list.files) {
//     ... decide on ref.fileName() ...
//     std::string bytes, error;
//     SourceFile file = ref.zipped() ? loader.load(ref, error) : SourceFile(ref.path);
//     reader(file);
//   }

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "archive/zip_members.h"

namespace velkaro {

class ArchiveListings;

// Where a source lives: a plain file, or a member of a zip on disk.
struct SourceRef {
  std::string path;     // the plain file, or the zip on disk
  ZipMemberRef member;  // member.member is empty for a plain file

  bool zipped() const { return !member.member.empty(); }
  // The path for messages: the file's, or "folder/dl.zip/inner.zip/a.xml".
  std::string display() const;
  // The file name alone ("a.xml"), the one the name rules look at.
  std::string_view fileName() const;
  // Where the file lies once the zips are expanded next to themselves, each
  // member below its zip's folder: the same order and identity for a
  // zipped and an expanded copy of a tree.
  std::string expandedPath() const;
};

// What a reader reads: a plain file (streamed from disk by the reader) or
// bytes in memory with the name they came from.
class SourceFile {
 public:
  // A plain file on disk.
  SourceFile(const std::string& path) : name_(path), path_(path) {}  // NOLINT: a path is a source
  SourceFile(const char* path) : SourceFile(std::string(path)) {}    // NOLINT
  // Bytes in memory (they must outlive the SourceFile); `name` is what
  // messages call them, e.g. "dl.zip/a.xml".
  static SourceFile InMemory(std::string name, std::string_view bytes) {
    SourceFile file{std::string()};
    file.name_ = std::move(name);
    file.bytes_ = bytes;
    file.inMemory_ = true;
    return file;
  }

  bool inMemory() const { return inMemory_; }
  const std::string& name() const { return name_; }   // for messages
  const std::string& path() const { return path_; }   // empty in memory
  std::string_view bytes() const { return bytes_; }   // empty on disk

 private:
  std::string name_;
  std::string path_;
  std::string_view bytes_;
  bool inMemory_ = false;
};

// Which files a scan wants.
struct SourceQuery {
  std::string pattern;      // wildcard on file names ("*RdEdg*.xml"), letter case ignored
  bool subfolders = false;  // search the subfolders of the folder too
  // Whether to open an archive (on disk or inside another), by its file
  // name; empty: every archive. An archive left out is not opened at all.
  std::function<bool(std::string_view zipName)> archiveWanted;
  // The job's listings of zip members, when it keeps them (else each zip is
  // listed anew).
  ArchiveListings* listings = nullptr;
};

struct SourceProblem {
  std::string archive;  // "folder/a.zip", or "folder/a.zip/inner.zip"
  std::string text;     // "damaged archive: folder/a.zip (why)"
};

struct SourceList {
  // Plain files sorted by path, then the members of each archive (archives
  // sorted by path, members in archive order). A member whose expanded path
  // is a plain file found here is left out: the expanded copy is read.
  std::vector<SourceRef> files;
  // The damaged archives; the members listed before the damage stay in
  // `files`.
  std::vector<SourceProblem> problems;
};

SourceList FindSources(const std::string& folder, const SourceQuery& query);

// Reads zip members into memory. The innermost zip of the last member read
// stays in memory, so reading the members of one inner zip one after the
// other expands that zip once.
class SourceLoader {
 public:
  // The member's bytes as a SourceFile valid until the next load; false
  // (with `error` naming the archive) when the archive is damaged.
  bool load(const SourceRef& ref, SourceFile& file, std::string& error);

 private:
  bool loadInnermost(const SourceRef& ref, std::string& error);

  std::string bytes_;
  std::string innerKey_;    // zip path and nesting of innerZip_
  std::string innerZip_;
};

// The mesh code digits in the name of a GSI download zip: the code after
// "FG-GML-" ("FG-GML-523945-ALL-20230101.zip" -> "523945",
// "FG-GML-3624-30-DEM5B.zip" -> "362430", "FG-GML-5339-45-00-DEM5A.zip" ->
// "53394500"). Empty when the name carries no valid code; such an archive
// may hold anything.
std::string ArchiveMeshDigits(std::string_view zipName);

// True when one mesh code (digits only) lies inside the other or equals it:
// a first-level "5339" and a second-level "533946" meet, "533946" and
// "533947" do not.
bool MeshDigitsNest(std::string_view a, std::string_view b);

}  // namespace velkaro
