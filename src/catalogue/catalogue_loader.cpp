#include "catalogue/catalogue_loader.h"

#include <charconv>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

#include "platform/text_encoding.h"
#include "catalogue/catalogue_messages.h"
#include "platform/text_scan.h"

namespace velkaro {
namespace {

namespace msg = catalogue_messages;

// Column counts each grammar needs (columns are numbered from 0).
constexpr size_t kFgdColumns = 11;          // up to the spare byte in column 10
constexpr size_t kKkjColumns = 10;          // up to the state in column 9
constexpr size_t kKsjColumns = 8;           // up to reader text 4 in column 7
constexpr size_t kCaptionColumns = 2;       // elevation caption lines use column 1
constexpr int kKsjStyleWord = 3073;         // size index 12, width 1 (1-based)
constexpr int kMaxSizeIndex = static_cast<int>(kSizeList.size()) - 1;
constexpr int kDefaultSizeIndex = 12;
constexpr int kMaxWidthIndex = 15;

// One definition file as decoded UTF-8 text cut into lines (without their
// line ends). A line end after the last line does not start another line.
struct DefinitionFile {
  std::string path;
  std::string text;
  std::vector<std::string_view> lines;
};

enum class ReadStatus { Ok, Missing, Unreadable };

std::string JoinPath(const std::string& folder, const char* name) {
  if (folder.empty() || folder.back() == '/') return folder + name;
  return folder + "/" + name;
}

void SplitLines(std::string_view text, std::vector<std::string_view>& lines) {
  size_t start = 0;
  while (start < text.size()) {
    const void* hit = std::memchr(text.data() + start, '\n', text.size() - start);
    const size_t end = hit ? static_cast<size_t>(static_cast<const char*>(hit) - text.data())
                           : text.size();
    std::string_view line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    start = end + 1;
  }
}

ReadStatus ReadDefinitionFile(const std::string& path, DefinitionFile& file) {
  file.path = path;
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) return ReadStatus::Missing;
  std::ifstream in(path, std::ios::binary);
  if (!in) return ReadStatus::Unreadable;
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) return ReadStatus::Unreadable;
  // The files are UTF-8; one saved as Shift_JIS by an editor still reads.
  file.text = DecodeToUtf8(StripUtf8Bom(bytes));
  SplitLines(file.text, file.lines);
  return ReadStatus::Ok;
}

void SplitColumns(std::string_view line, std::vector<std::string_view>& columns) {
  columns.clear();
  size_t start = 0;
  for (;;) {
    const size_t tab = line.find('\t', start);
    if (tab == std::string_view::npos) {
      columns.push_back(line.substr(start));
      return;
    }
    columns.push_back(line.substr(start, tab - start));
    start = tab + 1;
  }
}


// Decimal, or hexadecimal after "$" or "0x" as the settings files allow.
bool ParseInteger(std::string_view text, int32_t& value) {
  text = Trim(text);
  int base = 10;
  if (!text.empty() && text.front() == '$') {
    text.remove_prefix(1);
    base = 16;
  } else if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    text.remove_prefix(2);
    base = 16;
  }
  if (text.empty()) return false;
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value, base);
  return ec == std::errc() && ptr == end;
}

// Walks the lines of one definition file; every grammar failure becomes the
// start-up error that names the file and the line.
class LineReader {
 public:
  LineReader(const DefinitionFile& file, CatalogueLoadResult& result)
      : file_(file), result_(result) {}

  size_t lineCount() const { return file_.lines.size(); }

  // Splits line `index` (from 0); false when it lacks `needed` columns.
  bool split(size_t index, size_t needed) {
    index_ = index;
    if (index < file_.lines.size()) {
      SplitColumns(file_.lines[index], columns_);
    } else {
      columns_.clear();  // a line past the end has no columns at all
    }
    if (columns_.size() >= needed) return true;
    fail(msg::TooFewColumns(file_.path, lineNumber(), static_cast<int>(needed),
                            static_cast<int>(columns_.size())));
    return false;
  }

  std::string_view column(size_t i) const { return columns_[i]; }
  bool lineContains(size_t index, std::string_view text) const {
    return index < file_.lines.size() && file_.lines[index].find(text) != std::string_view::npos;
  }

  bool integer(size_t i, int32_t& value) {
    if (ParseInteger(columns_[i], value)) return true;
    return badNumber(i);
  }

  bool byteValue(size_t i, int32_t raw, uint8_t& value) {
    if (raw < 0 || raw > 255) {
      fail(msg::NumberOutOfRange(file_.path, lineNumber(), static_cast<int>(i),
                                 std::string(columns_[i]), 0, 255));
      return false;
    }
    value = static_cast<uint8_t>(raw);
    return true;
  }

  bool byteColumn(size_t i, uint8_t& value) {
    int32_t raw = 0;
    return integer(i, raw) && byteValue(i, raw, value);
  }

 private:
  int lineNumber() const { return static_cast<int>(index_) + 1; }

  bool badNumber(size_t i) {
    fail(msg::BadNumber(file_.path, lineNumber(), static_cast<int>(i), std::string(columns_[i])));
    return false;
  }

  void fail(std::string text) {
    result_.messages.push_back({msg::kStartupFailureTitle, std::move(text)});
    result_.stopStartup = true;
  }

  const DefinitionFile& file_;
  CatalogueLoadResult& result_;
  std::vector<std::string_view> columns_;
  size_t index_ = 0;
};

// How the two layer trees read their lines.
struct TreeGrammar {
  size_t columns;
  bool widthInFifths;   // KKJ children store five times the width index
  bool fillsSpare;      // FGD fills the spare byte (groups column 9, children 10)
  bool elevationLines;  // FGD layers end at the elevation captions, KKJ ones at "eod"
};

constexpr TreeGrammar kFgdGrammar{kFgdColumns, false, true, true};
constexpr TreeGrammar kKkjGrammar{kKkjColumns, true, false, false};

// Values the settings reader would refuse are brought into range the same way.
void NormaliseStyle(LayerEntry& entry) {
  if (entry.sizeIndex > kMaxSizeIndex) entry.sizeIndex = kDefaultSizeIndex;
  if (entry.widthIndex > kMaxWidthIndex) entry.widthIndex = 0;
}

bool ReadEntry(LineReader& reader, const TreeGrammar& grammar, bool child, LayerEntry& entry) {
  entry = LayerEntry{};
  entry.name = CutToCp932Bytes(reader.column(0), kNameBytes);
  int32_t width = 0;
  if (!reader.integer(3, entry.colour) || !reader.byteColumn(4, entry.sizeIndex) ||
      !reader.integer(5, width) || !reader.integer(6, entry.readerMask)) {
    return false;
  }
  if (child && grammar.widthInFifths) width /= 5;
  if (!reader.byteValue(5, width, entry.widthIndex)) return false;
  if (child) {
    entry.typeKey = CutToCp932Bytes(reader.column(7), kTypeKeyBytes);
    entry.subKey = CutToCp932Bytes(reader.column(8), kSubKeyBytes);
  }
  if (grammar.fillsSpare && !reader.byteColumn(child ? 10 : 9, entry.spare)) return false;
  NormaliseStyle(entry);
  return true;
}

bool StartGroup(LineReader& reader, const TreeGrammar& grammar, LayerTree& tree) {
  LayerGroup group;
  if (!ReadEntry(reader, grammar, false, group.node.entry)) return false;
  group.node.text = std::string(reader.column(1));
  group.node.on = true;
  tree.groups.push_back(std::move(group));
  return true;
}

bool AddChild(LineReader& reader, const TreeGrammar& grammar, LayerTree& tree, int& layerNumber) {
  LayerNode child;
  if (!ReadEntry(reader, grammar, true, child.entry)) return false;
  child.layerNumber = ++layerNumber;
  child.text = FormatLayerNumber(child.layerNumber);
  child.text.append(reader.column(1));
  child.text.append(reader.column(2));
  child.on = reader.column(9) == "1";
  tree.groups.back().children.push_back(std::move(child));
  return true;
}

enum class TreeEnd { EndOfFile, Marker, Error };

// The layer lines of a tree from line index `first` on. The line in hand when
// the end of the file is reached is not used, so the last layer line must be
// followed by the line that ends the layers. `lastIndex` gets the index of the
// line that stopped the walk.
TreeEnd ReadLayerLines(LineReader& reader, const TreeGrammar& grammar, size_t first,
                       std::string caption, LayerTree& tree, int& layerNumber,
                       size_t& lastIndex) {
  for (size_t i = first;; ++i) {
    lastIndex = i;
    if (i + 1 >= reader.lineCount()) return TreeEnd::EndOfFile;
    if (grammar.elevationLines) {
      if (!reader.split(i, kCaptionColumns)) return TreeEnd::Error;
      if (reader.column(1) == kElevationCaptionMarker) return TreeEnd::Marker;
    } else if (reader.lineContains(i, kKkjEndMarker)) {
      return TreeEnd::Marker;
    }
    if (!reader.split(i, grammar.columns)) return TreeEnd::Error;
    // A change of caption always starts a group, even one seen before.
    if (tree.groups.empty() || reader.column(1) != caption) {
      if (!StartGroup(reader, grammar, tree)) return TreeEnd::Error;
    }
    if (!AddChild(reader, grammar, tree, layerNumber)) return TreeEnd::Error;
    caption = std::string(reader.column(1));
  }
}

bool ReadElevationCaptions(LineReader& reader, size_t first, LayerCatalogue& catalogue) {
  for (int k = 0; k < 2 * kElevationClasses; ++k) {
    if (!reader.split(first + k, kCaptionColumns)) return false;
    std::string caption(reader.column(1));
    if (k < kElevationClasses) {
      catalogue.meshCaptions[k] = std::move(caption);
    } else {
      catalogue.contourCaptions[k - kElevationClasses] = std::move(caption);
    }
  }
  return true;
}

bool LoadFgdTree(const DefinitionFile& file, LayerCatalogue& catalogue, int& layerNumber,
                 CatalogueLoadResult& result) {
  LineReader reader(file, result);
  // Line 1 is a header; line 2 starts the first group.
  if (!reader.split(1, kFgdColumns) || !StartGroup(reader, kFgdGrammar, catalogue.fgd)) {
    return false;
  }
  size_t stop = 0;
  const TreeEnd end = ReadLayerLines(reader, kFgdGrammar, 1, std::string(reader.column(1)),
                                     catalogue.fgd, layerNumber, stop);
  if (end == TreeEnd::Error) return false;
  if (end == TreeEnd::Marker) return ReadElevationCaptions(reader, stop, catalogue);
  return true;
}

bool LoadKkjTree(const DefinitionFile& file, LayerCatalogue& catalogue, int& layerNumber,
                 CatalogueLoadResult& result) {
  LineReader reader(file, result);
  size_t stop = 0;
  return ReadLayerLines(reader, kKkjGrammar, 1, std::string(), catalogue.kkj, layerNumber, stop) !=
         TreeEnd::Error;
}

bool IsBlank(std::string_view line) { return Trim(line).empty(); }
bool IsComment(std::string_view line) { return !line.empty() && line.front() == '#'; }

bool LoadKsjThemes(const DefinitionFile& file, LayerCatalogue& catalogue, int& layerNumber,
                   CatalogueLoadResult& result) {
  LineReader reader(file, result);
  for (size_t index = 0; index < reader.lineCount(); ++index) {
    // A stray empty line is not a theme; a line starting with "#" is a note.
    if (IsBlank(file.lines[index]) || IsComment(file.lines[index])) continue;
    if (catalogue.ksj.size() >= static_cast<size_t>(kMaxKsjThemes)) {
      result.messages.push_back({msg::kStartupFailureTitle, msg::TooManyThemes(file.path)});
      result.stopStartup = true;
      result.terminate = true;
      return false;
    }
    if (!reader.split(index, kKsjColumns)) return false;
    KsjTheme theme;
    if (!reader.integer(2, theme.colour) || !reader.integer(3, theme.readerMask)) return false;
    theme.code = std::string(reader.column(0));
    theme.layerNumber = ++layerNumber;
    theme.caption = FormatLayerNumber(theme.layerNumber);
    theme.caption.append(reader.column(1));
    theme.textColour = CheckBoxTextColour(theme.colour);
    theme.styleWord = kKsjStyleWord;
    for (size_t t = 0; t < theme.readerTexts.size(); ++t) {
      theme.readerTexts[t] = std::string(reader.column(4 + t));
    }
    catalogue.ksj.push_back(std::move(theme));
  }
  return true;
}

using TreeLoader = bool (*)(const DefinitionFile&, LayerCatalogue&, int&, CatalogueLoadResult&);

enum class Step { Done, Skipped, Stop };

// Reads one definition file and runs its loader. A missing file is reported;
// whether start-up goes on after that is the caller's choice.
Step LoadStep(const std::string& folder, const char* name, TreeLoader loader,
              LayerCatalogue& catalogue, int& layerNumber, CatalogueLoadResult& result) {
  DefinitionFile file;
  switch (ReadDefinitionFile(JoinPath(folder, name), file)) {
    case ReadStatus::Missing:
      result.messages.push_back({msg::kWarningTitle, msg::FileMissing(file.path)});
      return Step::Skipped;
    case ReadStatus::Unreadable:
      result.messages.push_back({msg::kStartupFailureTitle, msg::UnreadableFile(file.path)});
      result.stopStartup = true;
      return Step::Stop;
    case ReadStatus::Ok:
      break;
  }
  return loader(file, catalogue, layerNumber, result) ? Step::Done : Step::Stop;
}

}  // namespace

MapLinks BuiltInMapLinks() {
  return {
      "https://www.gsi.go.jp/sokuchikijun/jpc.html",
      "https://fgd.gsi.go.jp/download/menu.php",
      "https://nlftp.mlit.go.jp/ksj/",
      "https://www.gsi.go.jp/LAW/2930-index.html",
      "https://nlftp.mlit.go.jp/ksj/other/agreement.html",
      "https://maps.gsi.go.jp/",
      "https://www.ngdc.noaa.gov/mgg/global/relief/ETOPO1/data/ice_surface/cell_registered/binary/",
      "https://www.jmc.or.jp/",
  };
}

MapLinks LoadMapLinks(const std::string& programFolder, std::vector<CatalogueMessage>& messages) {
  MapLinks links = BuiltInMapLinks();
  DefinitionFile file;
  if (ReadDefinitionFile(JoinPath(programFolder, kMapLinkFile), file) != ReadStatus::Ok) {
    messages.push_back({msg::kWarningTitle, msg::kMapLinkFileMissing});
    return links;
  }
  for (size_t k = 0; k < links.size(); ++k) {
    const size_t addressLine = 2 * k + 1;
    if (addressLine >= file.lines.size()) break;
    const std::string_view address = Trim(file.lines[addressLine]);
    if (!address.empty()) links[k] = std::string(address);
  }
  return links;
}

std::string FormatLayerNumber(int layerNumber) {
  char text[16];
  std::snprintf(text, sizeof text, "%.3d", layerNumber);
  return text;
}

CatalogueLoadResult LoadLayerCatalogue(LayerCatalogue& catalogue,
                                       const std::string& programFolder) {
  catalogue = LayerCatalogue{};
  CatalogueLoadResult result;
  int layerNumber = 1;  // 001 is the standard regional mesh switch

  auto finish = [&]() {
    for (LayerTree* tree : {&catalogue.fgd, &catalogue.kkj}) {
      tree->refreshGroups();
      tree->expandGroupsThatAreOn();
    }
    result.lastLayerNumber = layerNumber;
    return result;
  };

  Step step = LoadStep(programFolder, kFgdTreeFile, LoadFgdTree, catalogue, layerNumber, result);
  if (step == Step::Skipped) result.stopStartup = true;
  if (step != Step::Done) return finish();

  // A missing theme list costs only the themes.
  step = LoadStep(programFolder, kKsjThemeFile, LoadKsjThemes, catalogue, layerNumber, result);
  if (step == Step::Stop) return finish();

  step = LoadStep(programFolder, kKkjTreeFile, LoadKkjTree, catalogue, layerNumber, result);
  if (step == Step::Skipped) result.stopStartup = true;
  return finish();
}

}  // namespace velkaro
