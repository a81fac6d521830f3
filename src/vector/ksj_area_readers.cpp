// KsjAreas and KsjCodedAreas: the feature walk over the rings of a KSJ area
// file, and the attribute cursor that gives a coded area its value.
#include <cstdio>
#include <string>

#include "platform/text_scan.h"
#include "vector/ksj_messages.h"
#include "vector/ksj_readers.h"

namespace velkaro::ksj {

namespace {

constexpr std::string_view kPosListOpen = "<gml:posList>";
constexpr std::string_view kPosListClose = "</gml:posList>";
constexpr long kProgressLines = 100000;

std::string_view FileNameOf(std::string_view path) {
  const size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::string LineFailure(const std::string& path, long lineNumber, std::string_view line) {
  std::string what = path + std::to_string(lineNumber) + ":";
  what.append(line);
  return ksj_msg::Failure(what);
}

// Walks the rings of an area file. Reader text 1 starts a feature and ends
// just before its identifier; consecutive parts N_1, N_2 … of one number form
// one feature. A finished feature whose box meets the tile is written ring by
// ring, its name line from `nameOf`.
class FeatureWalk {
 public:
  FeatureWalk(const KsjRun& run, const std::string& path, std::string_view text,
              AttributeCursor* attributes)
      : run_(run), path_(path), lines_(text), rings_(run.req.cells, 0), attributes_(attributes) {}

  void walk() {
    std::string_view line;
    bool inList = false;
    while (lines_.next(line)) {
      if (lines_.lineNumber() % kProgressLines == 0 && !run_.progress(lines_.lineNumber())) return;
      if (inList) {
        double lat, lon;
        if (ParsePairLine(line, lat, lon)) {
          if (!rings_.add(lon, lat)) {
            run_.xyLimit();
            return;
          }
          continue;
        }
        if (Contains(line, kPosListClose)) {
          rings_.closeRing();
          inList = false;
          continue;
        }
        if (Trim(line).empty()) continue;
        run_.fail(LineFailure(path_, lines_.lineNumber(), line));
        return;
      }
      if (Contains(line, kPosListOpen)) {
        if (!rings_.openRing()) {
          run_.xyLimit();
          return;
        }
        inList = true;
        continue;
      }
      std::string_view rest;
      if (After(line, run_.text(1), rest)) {
        Identifier id;
        if (!ParseIdentifier(rest, id)) {
          run_.fail(LineFailure(path_, lines_.lineNumber(), line));
          return;
        }
        // A new number, or a plain number (a whole feature of its own), ends
        // the feature in hand.
        if (!haveFeature_ || id.number != number_ || !id.hasPart) {
          if (!finishFeature()) return;
          number_ = id.number;
          haveFeature_ = true;
        }
      }
    }
    if (inList) rings_.closeRing();
    finishFeature();
  }

 private:
  // Writes the feature in hand when it meets the tile; false when the file
  // has to end (a write failure).
  bool finishFeature() {
    if (haveFeature_ && !rings_.empty() && run_.boxOnTile(rings_.box)) {
      const std::string name =
          attributes_ != nullptr ? ShortestText(attributes_->LookupValue(number_)) : std::string("0");
      rings_.forEachRing([&](const CellPair* points, int32_t count, int ring) {
        WriteRing(run_, points, count, ring > 0, name);
      });
      if (run_.out.failed()) {
        run_.fail(ksj_msg::Failure(path_));
        return false;
      }
    }
    rings_.clear();
    return true;
  }

  const KsjRun& run_;
  const std::string& path_;
  LineCursor lines_;
  FeatureRings rings_;
  AttributeCursor* attributes_;
  long number_ = 0;
  bool haveFeature_ = false;
};

bool ReadsThisFile(const KsjRun& run, const std::string& path) {
  return FileNameOf(path).find(run.theme.code) != std::string_view::npos;
}

// The key of a feature's attribute line: reader text 3, the number (five
// digits for the themes whose ids are padded), a double quote and the end of
// the element.
std::string AttributeKey(const KsjRun& run, long number) {
  const std::string& code = run.theme.code;
  std::string key = run.text(3);
  if (code == "A26-" || code == "A31-12") {
    char digits[24];
    std::snprintf(digits, sizeof digits, "%.5ld", number);
    key.append(digits);
    key.append(code == "A26-" ? "\">" : "\"/>");
  } else {
    key.append(std::to_string(number));
    key.append("\"/>");
  }
  return key;
}

// Where the number of a depth class text starts: after "～ ", else after
// "以上", else after the first ">"; a mark within the first four characters
// of the line does not count.
bool DepthNumberStart(std::string_view line, size_t& start, bool& afterAtLeast) {
  afterAtLeast = false;
  const size_t tilde = line.find("～ ");
  if (tilde != std::string_view::npos && tilde >= 4) {
    start = tilde + std::string_view("～ ").size();
    return true;
  }
  const size_t atLeast = line.find("以上");
  if (atLeast != std::string_view::npos && atLeast >= 4) {
    start = atLeast + std::string_view("以上").size();
    afterAtLeast = true;
    return true;
  }
  const size_t gt = line.find('>');
  if (gt == std::string_view::npos) return false;
  start = gt + 1;
  return true;
}

// The number before "m" in text, blanks around it allowed.
bool MetresBefore(std::string_view text, double& value) {
  const size_t m = text.find('m');
  if (m == std::string_view::npos) return false;
  return ParseDecimal(text.substr(0, m), value);
}

}  // namespace

bool IsDepthClassTheme(std::string_view code) {
  return !code.empty() && std::string_view("A49- A40-").find(code) != std::string_view::npos;
}

bool DepthClassNumber(std::string_view line, double& depth) {
  size_t start = 0;
  bool afterAtLeast = false;
  if (!DepthNumberStart(line, start, afterAtLeast)) return false;
  if (MetresBefore(line.substr(start), depth)) return true;
  if (!afterAtLeast) return false;
  // The deepest class ("20m 以上") has no upper bound: its lower bound, the
  // number before "以上", stands for it.
  const size_t atLeast = line.find("以上");
  std::string_view before = line.substr(0, atLeast);
  const size_t gt = before.rfind('>');
  if (gt != std::string_view::npos) before.remove_prefix(gt + 1);
  before = Trim(before);
  if (!before.empty() && before.back() == 'm') before.remove_suffix(1);
  return ParseDecimal(before, depth);
}

bool AttributeCursor::findAttributePart() {
  run_.stepLabel(ksj_msg::kStep1);
  std::string_view line;
  for (;;) {
    const LineCursor::Mark here = lines_.mark();
    if (!lines_.next(line)) break;
    if (lines_.lineNumber() % kProgressLines == 0 && !run_.progress(lines_.lineNumber())) return false;
    if (Contains(line, run_.text(3))) {
      lines_.restore(here);
      break;
    }
  }
  partStart_ = lines_.mark();
  return true;
}

// Moves forward to the line holding key; when the key lies behind the cursor
// (attributes out of the features' order) or nowhere, the part is searched
// again from its start, and a key found nowhere leaves the cursor where it
// was, so one missing attribute costs only its own feature.
bool AttributeCursor::seek(std::string_view key, std::string_view& line) {
  const LineCursor::Mark start = lines_.mark();
  while (lines_.next(line))
    if (Contains(line, key)) return true;
  lines_.restore(partStart_);
  while (lines_.mark().p < start.p && lines_.next(line))
    if (Contains(line, key)) return true;
  lines_.restore(start);
  return false;
}

double AttributeCursor::LookupValue(long featureNumber) {
  const std::string key = AttributeKey(run_, featureNumber);
  std::string_view line;
  if (!seek(key, line)) return kNoValue;
  if (Contains(line, run_.text(4))) return valueOf(featureNumber, line);
  // The value line follows; the next feature's key before it means this
  // feature has no value (and leaves that key to the next lookup).
  const LineCursor::Mark afterKey = lines_.mark();
  while (lines_.next(line)) {
    if (Contains(line, run_.text(4))) return valueOf(featureNumber, line);
    if (Contains(line, run_.text(3))) {
      lines_.unread(line);
      return kNoValue;
    }
  }
  lines_.restore(afterKey);
  return kNoValue;
}

double AttributeCursor::valueOf(long featureNumber, std::string_view line) {
  double number = 0;
  bool ok = false;
  if (IsDepthClassTheme(run_.theme.code)) {
    ok = DepthClassNumber(line, number);
  } else {
    const size_t gt = line.find('>');
    if (gt != std::string_view::npos) {
      const std::string_view rest = line.substr(gt + 1);
      const size_t lt = rest.find('<');
      if (lt == std::string_view::npos) return kNoValue;
      ok = ParseDecimal(rest.substr(0, lt), number);
    } else {
      return kNoValue;
    }
  }
  if (!ok) {
    run_.fail(ksj_msg::BadValue(featureNumber, line));
    return kNoValue;
  }
  return -number * run_.req.coords.unitScale;
}

void KsjAreas(const KsjRun& run, const SourceFile& file) {
  const std::string& path = file.name();
  if (!run.req.runFlag || !ReadsThisFile(run, path)) return;
  KsjSource source;
  if (!LoadSource(run, file, source)) return;
  run.stepLabel();
  FeatureWalk(run, path, source.text(), nullptr).walk();
}

void KsjCodedAreas(const KsjRun& run, const SourceFile& file) {
  const std::string& path = file.name();
  if (!run.req.runFlag || !ReadsThisFile(run, path)) return;
  KsjSource source;
  if (!LoadSource(run, file, source)) return;
  AttributeCursor attributes(run, source.text());
  if (!attributes.findAttributePart()) return;
  run.stepLabel(ksj_msg::kStep2);
  FeatureWalk(run, path, source.text(), &attributes).walk();
}

}  // namespace velkaro::ksj
