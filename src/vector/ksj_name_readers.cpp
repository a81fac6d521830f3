// KsjPointNames and KsjAreaNames: name labels joined from the geometry part
// and the attribute part of a KSJ file by two cursors that move forward
// through the same text.
#include <string>

#include "platform/text_scan.h"
#include "vector/ksj_messages.h"
#include "vector/ksj_readers.h"

namespace velkaro::ksj {

namespace {

constexpr std::string_view kPos = "<gml:pos>";
constexpr std::string_view kPosListOpen = "<gml:posList>";
constexpr std::string_view kPosListClose = "</gml:posList>";
constexpr long kProgressLines = 10000;

// Moves cursor to the first line holding text and hands it back unread.
bool SkipTo(LineCursor& cursor, std::string_view text) {
  std::string_view line;
  while (cursor.next(line)) {
    if (Contains(line, text)) {
      cursor.unread(line);
      return true;
    }
  }
  return false;
}

// The attributes of one point feature, found by its key.
struct PointAttributes {
  std::string key;
  bool found = false;      // the key line was seen
  bool nameSeen = false;   // a name line was seen (it may be empty)
  std::string name;
  bool done() const { return found && nameSeen; }
  void reset(std::string newKey) {
    key = std::move(newKey);
    found = nameSeen = false;
    name.clear();
  }
};

class PointNameReader {
 public:
  PointNameReader(const KsjRun& run, const std::string& path, std::string_view text)
      : run_(run), path_(path), attributes_(text), geometry_(text) {}

  void read() {
    if (!SkipTo(attributes_, run_.text(3))) {
      run_.fail(ksj_msg::NoAttributePart(run_.caption(), path_));
      return;
    }
    startAtFirstName();
    run_.stepLabel(ksj_msg::kStep2);
    std::string_view line;
    if (!SkipTo(geometry_, run_.text(1))) {
      run_.fail(ksj_msg::NoGeometryPart(path_));
      return;
    }
    bool hasPoint = false;
    PlanePoint point{0, 0};
    while (geometry_.next(line)) {
      if (geometry_.lineNumber() % kProgressLines == 0 && !run_.progress(geometry_.lineNumber())) return;
      std::string_view rest;
      if (After(line, run_.text(1), rest)) {
        feature_.reset(run_.text(3) + std::string(UpTo(rest, "\"")) + "\"");
        hasPoint = false;
        continue;
      }
      if (Contains(line, kPos)) {
        double lat, lon;
        if (!ParsePosLine(line, lat, lon)) {
          run_.fail(ksj_msg::Failure(path_ + std::to_string(geometry_.lineNumber())));
          return;
        }
        point = run_.toPlane(lon, lat);
        hasPoint = true;
      }
      if (!hasPoint) continue;
      if (!feature_.done()) advanceAttributes();
      if (feature_.done()) {
        if (!feature_.name.empty() && run_.pointOnTile(point)) run_.writeName(point, feature_.name, 12, 4);
        hasPoint = false;
      }
    }
    if (run_.out.failed()) run_.fail(ksj_msg::Failure(path_ + std::to_string(geometry_.lineNumber())));
  }

 private:
  // Moves the attribute cursor until the feature's key and a name line have
  // been seen. Another feature's key after ours ends the feature's
  // attributes; a key found nowhere leaves the cursor where it was, so the
  // features after it still find theirs.
  // Files differ in where a feature's name stands: after its position link
  // (P13, P11) or before it (A27 schools). When the file's first name line
  // comes before its first link, names are taken before keys: the cursor
  // starts at that name line and a feature's attributes end at its key.
  void startAtFirstName() {
    const LineCursor::Mark firstKey = attributes_.mark();
    LineCursor probe = attributes_;
    probe.rewind();
    std::string_view line;
    while (probe.next(line) && probe.mark().p <= firstKey.p) {
      if (Contains(line, run_.text(4))) {
        probe.unread(line);
        attributes_ = probe;
        nameFirst_ = true;
        return;
      }
    }
  }

  void advanceAttributes() {
    const LineCursor::Mark start = attributes_.mark();
    std::string_view line, rest;
    while (!feature_.done() && attributes_.next(line)) {
      if (Contains(line, feature_.key)) {
        feature_.found = true;
        if (nameFirst_) feature_.nameSeen = true;
        continue;
      }
      if (nameFirst_ && Contains(line, run_.text(3))) {
        // Another feature's key: the name before it was that feature's.
        feature_.nameSeen = false;
        feature_.name.clear();
        continue;
      }
      if (feature_.found && Contains(line, run_.text(3))) {
        attributes_.unread(line);
        feature_.nameSeen = true;  // no name for this feature
        feature_.name.clear();
        return;
      }
      if (After(line, run_.text(4), rest)) {
        feature_.name = std::string(UpTo(rest, "<"));
        feature_.nameSeen = true;
      }
    }
    if (!feature_.found) {
      attributes_.restore(start);
      feature_.found = feature_.nameSeen = true;  // nothing to write for it
      feature_.name.clear();
    }
  }

  const KsjRun& run_;
  const std::string& path_;
  LineCursor attributes_;
  LineCursor geometry_;
  PointAttributes feature_;
  bool nameFirst_ = false;
};

// True when line holds key followed by "_" (a part number) or a double quote.
bool HoldsGeometryKey(std::string_view line, std::string_view key) {
  size_t at = line.find(key);
  while (at != std::string_view::npos) {
    const size_t next = at + key.size();
    if (next < line.size() && (line[next] == '_' || line[next] == '"')) return true;
    at = line.find(key, at + 1);
  }
  return false;
}

class AreaNameReader {
 public:
  AreaNameReader(const KsjRun& run, const std::string& path, std::string_view text)
      : run_(run), path_(path), attributes_(text), geometry_(text) {}

  void read() {
    run_.stepLabel(ksj_msg::kStep2);
    std::string_view line, rest;
    std::string key, name;
    while (attributes_.next(line)) {
      if (attributes_.lineNumber() % kProgressLines == 0 && !run_.progress(attributes_.lineNumber())) return;
      if (After(line, run_.text(3), rest)) {
        key = run_.text(1) + std::string(UpTo(UpTo(rest, ">"), "\""));
        name.clear();
      }
      if (After(line, run_.text(4), rest)) name = std::string(UpTo(rest, "<"));
      if (!key.empty() && !name.empty()) {
        if (!labelArea(key, name)) {
          run_.fail(ksj_msg::Failure(path_ + std::to_string(attributes_.lineNumber()) + " "));
          return;
        }
        key.clear();
        name.clear();
      }
    }
    if (run_.out.failed()) run_.fail(ksj_msg::Failure(path_ + std::to_string(attributes_.lineNumber()) + " "));
  }

 private:
  // Labels the centre of the first part of the area named by key. False
  // when its coordinates do not read; an area found nowhere is skipped and
  // leaves the geometry cursor where it was.
  bool labelArea(const std::string& key, const std::string& name) {
    const LineCursor::Mark start = geometry_.mark();
    std::string_view line;
    bool found = false;
    while (geometry_.next(line))
      if (HoldsGeometryKey(line, key)) {
        found = true;
        break;
      }
    if (!found || !SkipTo(geometry_, kPosListOpen)) {
      geometry_.restore(start);
      return true;
    }
    geometry_.next(line);  // the "<gml:posList>" line
    GeoBox box;
    while (geometry_.next(line) && !Contains(line, kPosListClose)) {
      if (Trim(line).empty()) continue;
      double lat, lon;
      if (!ParsePairLine(line, lat, lon)) return false;
      box.add(lon, lat);
    }
    if (box.empty()) return true;
    const PlanePoint centre =
        run_.toPlane((box.minLon + box.maxLon) / 2, (box.minLat + box.maxLat) / 2);
    if (run_.pointOnTile(centre)) run_.writeName(centre, name, 12, 4);
    return true;
  }

  const KsjRun& run_;
  const std::string& path_;
  LineCursor attributes_;
  LineCursor geometry_;
};

}  // namespace

void KsjPointNames(const KsjRun& run, const SourceFile& file) {
  const std::string& path = file.name();
  if (!run.req.runFlag) return;
  KsjSource source;
  if (!LoadSource(run, file, source)) return;
  PointNameReader(run, path, source.text()).read();
}

void KsjAreaNames(const KsjRun& run, const SourceFile& file) {
  const std::string& path = file.name();
  if (!run.req.runFlag) return;
  KsjSource source;
  if (!LoadSource(run, file, source)) return;
  AreaNameReader(run, path, source.text()).read();
}

}  // namespace velkaro::ksj
