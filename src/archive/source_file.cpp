#include "archive/source_file.h"

#include <algorithm>
#include <cctype>
#include <unordered_set>

#include "archive/archive_listings.h"
#include "archive/member_names.h"
#include "archive/messages.h"
#include "archive/zip_reader.h"
#include "platform/file_search.h"

namespace velkaro {

namespace {

namespace text = archive_text;

std::string_view FolderOf(std::string_view path) {
  const size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? std::string_view() : path.substr(0, slash);
}

std::string JoinPath(std::string_view folder, std::string_view rest) {
  std::string out(folder);
  if (rest.empty()) return out;  // a zip at the top of the one above it
  if (!out.empty()) out += '/';
  out += rest;
  return out;
}

// The path of the innermost zip of a member, as display() writes it.
std::string ArchiveDisplay(const ZipMemberRef& ref) {
  std::string out = ref.zipPath;
  for (const std::string& step : ref.nesting) out.append("/").append(step);
  return out;
}

std::string DamagedText(const std::string& archive, const std::string& why) {
  std::string line = text::Fill(text::kDamaged, archive);
  line.append(" (").append(why).append(")");
  return line;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The run of digits at `at`; its length.
size_t DigitRun(std::string_view s, size_t at) {
  size_t n = 0;
  while (at + n < s.size() && IsDigit(s[at + n])) ++n;
  return n;
}

// Second- and third-level digits run 0-7 and 0-9; the first level's any.
bool ValidMeshDigits(std::string_view d) {
  if (d.size() != 4 && d.size() != 6 && d.size() != 8) return false;
  if (d.size() >= 6 && (d[4] > '7' || d[5] > '7')) return false;
  return true;
}

// A member from a listing of everything: taken when its name matches and
// every zip on the way to it is one the query opens.
bool QueryTakes(const SourceQuery& query, const ZipMemberRef& member) {
  if (!WildcardMatch(query.pattern, member.fileName())) return false;
  if (!query.archiveWanted) return true;
  for (const std::string& step : member.nesting)
    if (!query.archiveWanted(MemberFileName(step))) return false;
  return true;
}

void AddArchiveMembers(const std::string& zip, const SourceQuery& query,
                       const std::unordered_set<std::string>& plain, SourceList& list) {
  if (query.listings) {
    if (const std::vector<ZipMemberRef>* all = query.listings->members(zip)) {
      for (const ZipMemberRef& member : *all) {
        if (!QueryTakes(query, member)) continue;
        SourceRef ref{zip, member};
        if (plain.count(ref.expandedPath())) continue;
        list.files.push_back(std::move(ref));
      }
      return;
    }
  }
  ZipMemberFilter filter;
  filter.member = [&](std::string_view name) { return WildcardMatch(query.pattern, name); };
  if (query.archiveWanted) filter.innerZip = query.archiveWanted;
  std::vector<ZipMemberRef> members;
  std::string error, damaged;
  if (!ListZipMembers(zip, filter, members, error, &damaged))
    list.problems.push_back(SourceProblem{damaged.empty() ? zip : damaged, error});
  for (ZipMemberRef& member : members) {
    SourceRef ref{zip, std::move(member)};
    if (plain.count(ref.expandedPath())) continue;
    list.files.push_back(std::move(ref));
  }
}

}  // namespace

std::string SourceRef::display() const { return zipped() ? member.display() : path; }

std::string_view SourceRef::fileName() const {
  return zipped() ? member.fileName() : MemberFileName(path);
}

std::string SourceRef::expandedPath() const {
  if (!zipped()) return path;
  // Each zip expands into its own folder: the outer one on disk, an inner
  // one into the folder it lies in within the zip above it.
  std::string folder(FolderOf(member.zipPath));
  for (const std::string& step : member.nesting) folder = JoinPath(folder, FolderOf(step));
  return JoinPath(folder, member.member);
}

namespace {

// The folder's files whose name matches `pattern`, sorted by path: from the
// job's listing when it keeps one.
std::vector<std::string> MatchingFiles(const std::string& folder, std::string_view pattern, const SourceQuery& query) {
  if (!query.listings) return FindFiles(folder, pattern, query.subfolders);
  std::vector<std::string> found;
  for (const std::string& path : query.listings->folderFiles(folder, query.subfolders))
    if (WildcardMatch(pattern, MemberFileName(path))) found.push_back(path);
  return found;
}

}  // namespace

SourceList FindSources(const std::string& folder, const SourceQuery& query) {
  SourceList list;
  const std::vector<std::string> plain = MatchingFiles(folder, query.pattern, query);
  const std::unordered_set<std::string> plainSet(plain.begin(), plain.end());
  for (const std::string& path : plain) list.files.push_back(SourceRef{path, {}});
  for (const std::string& zip : MatchingFiles(folder, "*.zip", query)) {
    if (query.archiveWanted && !query.archiveWanted(MemberFileName(zip))) continue;
    AddArchiveMembers(zip, query, plainSet, list);
  }
  return list;
}

bool SourceLoader::load(const SourceRef& ref, SourceFile& file, std::string& error) {
  error.clear();
  if (!ref.zipped()) {
    file = SourceFile(ref.path);
    return true;
  }
  if (ref.member.nesting.empty()) {
    if (!ReadZipMember(ref.member, bytes_, error)) return false;
  } else {
    if (!loadInnermost(ref, error)) return false;
    // The member out of the inner zip held in memory.
    const std::string archive = ArchiveDisplay(ref.member);
    ZipReader reader;
    if (!reader.openMemory(innerZip_)) {
      error = DamagedText(archive, reader.error());
      return false;
    }
    ZipEntry entry;
    bool found = false;
    while (!found && reader.next(entry))
      found = entry.type == ZipEntryType::File && SafeMemberPath(entry.name).relative == ref.member.member;
    if (!found || !reader.readAll(bytes_)) {
      const std::string why = reader.error().empty()
                                  ? std::string(text::kMemberNotFound) + ": " + ref.member.member
                                  : reader.error();
      error = DamagedText(archive, why);
      return false;
    }
  }
  file = SourceFile::InMemory(ref.display(), bytes_);
  return true;
}

bool SourceLoader::loadInnermost(const SourceRef& ref, std::string& error) {
  std::string key = ref.member.zipPath;
  for (const std::string& step : ref.member.nesting) key.append(1, '\0').append(step);
  if (key == innerKey_) return true;
  innerKey_.clear();
  // The innermost zip is a member of the zip above it.
  ZipMemberRef holder{ref.member.zipPath, ref.member.nesting, ref.member.nesting.back(), -1};
  holder.nesting.pop_back();
  if (!ReadZipMember(holder, innerZip_, error)) return false;
  innerKey_ = std::move(key);
  return true;
}

std::string ArchiveMeshDigits(std::string_view name) {
  static constexpr std::string_view kPrefix = "fg-gml-";
  std::string lower(name.substr(0, std::min(name.size(), kPrefix.size())));
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (lower != kPrefix) return {};
  std::string digits;
  size_t at = kPrefix.size();
  const size_t first = DigitRun(name, at);
  if (first != 4 && first != 6 && first != 8) return {};
  digits.append(name.substr(at, first));
  at += first;
  // "5339-45-00": two-digit steps follow a first-level code.
  while (first == 4 && digits.size() < 8 && at < name.size() && name[at] == '-' &&
         DigitRun(name, at + 1) == 2) {
    digits.append(name.substr(at + 1, 2));
    at += 3;
  }
  // A code running on into more digits is no code ("FG-GML-5339-456").
  if (at < name.size() && IsDigit(name[at])) return {};
  return ValidMeshDigits(digits) ? digits : std::string();
}

bool MeshDigitsNest(std::string_view a, std::string_view b) {
  const size_t n = std::min(a.size(), b.size());
  return n > 0 && a.substr(0, n) == b.substr(0, n);
}

}  // namespace velkaro
