#include "archive/zip_expand.h"

#include <deque>
#include <filesystem>
#include <set>

#include "archive/member_names.h"
#include "archive/member_writer.h"
#include "archive/messages.h"
#include "archive/zip_reader.h"
#include "platform/file_search.h"

namespace velkaro {

namespace {

namespace fs = std::filesystem;
namespace text = archive_text;

void Refuse(ArchiveResult& result, const char* pattern, const std::string& name) {
  ++result.refused;
  result.messages.push_back(text::Fill(pattern, name));
}

// True when some folder on the way from `root` to `relative` is a link on
// disk: writing through it could land outside the root.
bool PassesThroughLink(const fs::path& root, const std::string& relative) {
  fs::path at = root;
  const fs::path rel(relative);
  for (auto step = rel.begin(); step != rel.end(); ++step) {
    at /= *step;
    std::error_code ec;
    const fs::file_status s = fs::symlink_status(at, ec);
    if (ec || !fs::exists(s)) return false;
    if (fs::is_symlink(s)) return true;
  }
  return false;
}

// Creates the folders of a member path; false when a file of a folder's
// name is in the way.
bool MakeFolders(const fs::path& folder) {
  std::error_code ec;
  fs::create_directories(folder, ec);
  return fs::is_directory(folder, ec);
}

void ExpandMember(ZipReader& reader, const ZipEntry& entry, const fs::path& root,
                  const ExpandOptions& options, ArchiveResult& result) {
  const std::string& name = entry.name;
  if (entry.type == ZipEntryType::Link) return Refuse(result, text::kRefusedLink, name);
  if (entry.type == ZipEntryType::Other) return Refuse(result, text::kRefusedSpecial, name);
  const MemberPath path = SafeMemberPath(name);
  switch (path.problem) {
    case MemberPathProblem::None: break;
    case MemberPathProblem::Empty:
      if (entry.type == ZipEntryType::Folder && !name.empty()) return;   // "./"
      ++result.refused;
      result.messages.push_back(text::kRefusedEmpty);
      return;
    case MemberPathProblem::Absolute: return Refuse(result, text::kRefusedAbsolute, name);
    case MemberPathProblem::ParentStep: return Refuse(result, text::kRefusedParent, name);
  }
  if (PassesThroughLink(root, path.relative)) return Refuse(result, text::kRefusedThroughLink, name);

  const fs::path target = root / path.relative;
  if (entry.type == ZipEntryType::Folder) {
    if (!MakeFolders(target)) {
      ++result.kept;
      result.messages.push_back(text::Fill(text::kWriteFailed, name));
    }
    return;
  }
  if (!MakeFolders(target.parent_path())) {
    ++result.kept;
    result.messages.push_back(text::Fill(text::kWriteFailed, name));
    return;
  }
  std::string error;
  switch (WriteMember(reader, target, entry.mtime, options.overwrite, error)) {
    case MemberWrite::Written: ++result.written; break;
    case MemberWrite::Identical: ++result.identical; break;
    case MemberWrite::Conflict: {
      std::error_code ec;
      ++result.kept;
      result.messages.push_back(
          text::Fill(fs::is_directory(target, ec) ? text::kNotAFile : text::kConflict, name));
      return;
    }
    case MemberWrite::ReadFailed:
      result.damaged = true;
      result.messages.push_back(text::Fill(text::kDamaged, result.path) + " (" + name + ": " + error + ")");
      return;
    case MemberWrite::WriteFailed:
      ++result.kept;
      result.messages.push_back(text::Fill(text::kWriteFailed, name) + ": " + error);
      return;
  }
  if (IsZipName(MemberFileName(path.relative))) result.innerZips.push_back(target.string());
}

}  // namespace

ArchiveResult ExpandZip(const std::string& zipPath, const ExpandOptions& options, int depth) {
  ArchiveResult result;
  result.path = zipPath;
  result.depth = depth;
  const fs::path root = fs::path(zipPath).parent_path();
  ZipReader reader;
  if (!reader.openFile(zipPath)) {
    result.damaged = true;
    result.messages.push_back(text::Fill(text::kDamaged, zipPath) + " (" + reader.error() + ")");
    return result;
  }
  ZipEntry entry;
  while (!result.damaged && reader.next(entry)) ExpandMember(reader, entry, root, options, result);
  if (!result.damaged && !reader.error().empty()) {
    result.damaged = true;
    result.messages.push_back(text::Fill(text::kDamaged, zipPath) + " (" + reader.error() + ")");
  }
  return result;
}

ExpandSummary ExpandZipsBelow(const std::string& folder, const ExpandOptions& options,
                              ExpandObserver& observer) {
  ExpandSummary summary;
  struct Pending {
    std::string path;
    int depth;
  };
  std::deque<Pending> queue;
  std::set<std::string> seen;
  for (const std::string& path : FindFiles(folder, "*.zip", true))
    if (seen.insert(fs::weakly_canonical(path).string()).second) queue.push_back({path, 0});

  int index = 0;
  while (!queue.empty()) {
    const Pending next = queue.front();
    queue.pop_front();
    ++index;
    const int known = index + static_cast<int>(queue.size());
    observer.archiveStarted(next.path, index, known);
    ArchiveResult result = ExpandZip(next.path, options, next.depth);
    for (const std::string& inner : result.innerZips) {
      if (!seen.insert(fs::weakly_canonical(inner).string()).second) continue;
      if (next.depth + 1 > options.maxDepth) {
        ++result.kept;
        result.messages.push_back(text::Fill(text::kTooDeep, std::to_string(options.maxDepth)) + ": " + inner);
        continue;
      }
      queue.push_back({inner, next.depth + 1});
    }
    ++summary.archives;
    if (result.failed()) ++summary.failed;
    summary.written += result.written;
    summary.identical += result.identical;
    summary.refused += result.refused;
    summary.kept += result.kept;
    observer.archiveDone(result, index, index + static_cast<int>(queue.size()));
  }
  return summary;
}

}  // namespace velkaro
