#include "archive/zip_members.h"

#include <memory>

#include "archive/member_names.h"
#include "archive/messages.h"
#include "archive/zip_reader.h"

namespace velkaro {

namespace {

namespace text = archive_text;

std::string ArchiveName(const ZipMemberRef& where) {
  std::string name = where.zipPath;
  for (const std::string& step : where.nesting) name += "/" + step;
  return name;
}

std::string DamagedText(const ZipMemberRef& where, const std::string& why) {
  const std::string name = ArchiveName(where);
  // kDamaged is "damaged archive: %s".
  const std::string_view pattern = text::kDamaged;
  const size_t at = pattern.find("%s");
  std::string line(pattern.substr(0, at));
  line.append(name).append(pattern.substr(at + 2)).append(" (").append(why).append(")");
  return line;
}

// Walks one opened zip; `where` holds the path to it (member empty).
// `list` skips reading the members that are handed over.
bool WalkZip(ZipReader& reader, ZipMemberRef& where, const ZipMemberFilter& filter, bool list,
             const ZipMemberVisitor& visit, bool& stop, std::string& error, std::string& damaged) {
  ZipEntry entry;
  std::string bytes;
  while (reader.next(entry)) {
    if (entry.type != ZipEntryType::File) continue;
    const MemberPath path = SafeMemberPath(entry.name);
    if (path.problem != MemberPathProblem::None) continue;
    const std::string_view fileName = MemberFileName(path.relative);
    if (IsZipName(fileName)) {
      if (static_cast<int>(where.nesting.size()) >= filter.maxDepth) continue;
      if (filter.innerZip && !filter.innerZip(fileName)) continue;
      std::string inner;
      if (!reader.readAll(inner)) break;
      ZipReader innerReader;
      where.nesting.push_back(path.relative);
      bool ok = innerReader.openMemory(inner);
      if (ok) {
        ok = WalkZip(innerReader, where, filter, list, visit, stop, error, damaged);
      } else {
        error = DamagedText(where, innerReader.error());
        damaged = ArchiveName(where);
      }
      where.nesting.pop_back();
      if (!ok || stop) return ok;
      continue;
    }
    if (!filter.member || !filter.member(fileName)) continue;
    ZipMemberRef ref{where.zipPath, where.nesting, path.relative, entry.size};
    if (!list && !reader.readAll(bytes, filter.prefixBytes)) break;
    if (!visit(ref, bytes)) {
      stop = true;
      return true;
    }
  }
  if (reader.error().empty()) return true;
  error = DamagedText(where, reader.error());
  damaged = ArchiveName(where);
  return false;
}

bool Walk(const std::string& zipPath, const ZipMemberFilter& filter, bool list,
          const ZipMemberVisitor& visit, std::string& error, std::string* damaged) {
  error.clear();
  std::string damagedName;
  ZipReader reader;
  ZipMemberRef where{zipPath, {}, {}, -1};
  bool ok = false;
  if (!reader.openFile(zipPath)) {
    error = DamagedText(where, reader.error());
    damagedName = zipPath;
  } else {
    bool stop = false;
    ok = WalkZip(reader, where, filter, list, visit, stop, error, damagedName);
  }
  if (damaged) *damaged = damagedName;
  return ok;
}

std::string NotFound(const std::string& member) {
  std::string why = text::kMemberNotFound;
  why.append(": ").append(member);
  return why;
}

// Moves `reader` to the member at `path`; false when it is not there.
bool SeekMember(ZipReader& reader, const std::string& path) {
  ZipEntry entry;
  while (reader.next(entry))
    if (entry.type == ZipEntryType::File && SafeMemberPath(entry.name).relative == path) return true;
  return false;
}

}  // namespace

std::string ZipMemberRef::display() const {
  std::string out = zipPath;
  for (const std::string& step : nesting) out += "/" + step;
  return out + "/" + member;
}

std::string_view ZipMemberRef::fileName() const { return MemberFileName(member); }

bool ForEachZipMember(const std::string& zipPath, const ZipMemberFilter& filter,
                      const ZipMemberVisitor& visit, std::string& error, std::string* damaged) {
  return Walk(zipPath, filter, false, visit, error, damaged);
}

bool ListZipMembers(const std::string& zipPath, const ZipMemberFilter& filter,
                    std::vector<ZipMemberRef>& members, std::string& error, std::string* damaged) {
  return Walk(zipPath, filter, true,
              [&](const ZipMemberRef& ref, std::string_view) {
                members.push_back(ref);
                return true;
              },
              error, damaged);
}

bool ReadZipMember(const ZipMemberRef& ref, std::string& bytes, std::string& error) {
  error.clear();
  bytes.clear();
  ZipMemberRef where{ref.zipPath, {}, {}, -1};
  ZipReader outer;
  if (!outer.openFile(ref.zipPath)) {
    error = DamagedText(where, outer.error());
    return false;
  }
  // Each inner zip is held in memory while the next level is read from it.
  ZipReader* reader = &outer;
  std::vector<std::string> holders;
  std::vector<std::unique_ptr<ZipReader>> inners;
  holders.reserve(ref.nesting.size());
  for (const std::string& step : ref.nesting) {
    if (!SeekMember(*reader, step)) {
      error = DamagedText(where, reader->error().empty() ? NotFound(step) : reader->error());
      return false;
    }
    holders.emplace_back();
    if (!reader->readAll(holders.back())) {
      error = DamagedText(where, reader->error());
      return false;
    }
    where.nesting.push_back(step);
    inners.push_back(std::make_unique<ZipReader>());
    reader = inners.back().get();
    if (!reader->openMemory(holders.back())) {
      error = DamagedText(where, reader->error());
      return false;
    }
  }
  if (!SeekMember(*reader, ref.member)) {
    error = DamagedText(where, reader->error().empty() ? NotFound(ref.member) : reader->error());
    return false;
  }
  if (!reader->readAll(bytes)) {
    error = DamagedText(where, reader->error());
    return false;
  }
  return true;
}

}  // namespace velkaro
