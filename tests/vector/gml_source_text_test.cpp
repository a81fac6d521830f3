#include <gtest/gtest.h>

#include "gml_test_support.h"
#include "platform/text_encoding.h"
#include "vector/gml_reading.h"

namespace velkaro {
namespace {

using namespace velkaro::testing;

// Everything a SourceText hands out, joined; every run must end at a line end
// except the very last.
std::string ReadAll(const SourceFile& file, bool* utf8 = nullptr, int* runs = nullptr) {
  gml::SourceText source;
  EXPECT_TRUE(source.open(file));
  std::string all;
  std::string_view lines;
  int count = 0;
  bool cutInsideALine = false;
  while (source.next(lines) && !lines.empty()) {
    if (!all.empty() && all.back() != '\n') cutInsideALine = true;
    all.append(lines);
    ++count;
  }
  EXPECT_FALSE(cutInsideALine);
  if (utf8) *utf8 = source.isUtf8();
  if (runs) *runs = count;
  return all;
}

TEST(SourceText, HandsOutWholeLinesAfterTheDeclaration) {
  TempFolder dir;
  struct Row {
    const char* name;
    std::string bytes;
    std::string expected;
    bool utf8;
  };
  std::string big = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n";
  std::string bigBody;
  for (int i = 0; i < 400000; ++i) bigBody += "35." + std::to_string(100000 + i) + " 139.75\r\n";
  bigBody += std::string(5 << 20, 'x') + "\r\n";  // one line longer than a run
  bigBody += "</Dataset>";                         // no final line end
  big += bigBody;
  const Row rows[] = {
      {"plain", "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<a>\r\n</a>\r\n", "<a>\r\n</a>\r\n", true},
      {"byte order mark", "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<a>\r\n", "<a>\r\n", true},
      {"no final line end", "<?xml encoding=\"utf-8\"?>\n<a>\n<b>", "<a>\n<b>", true},
      {"declaration only", "<?xml version=\"1.0\" encoding=\"utf-8\"?>", "", true},
      {"empty file", "", "", false},
      {"Shift_JIS", Utf8ToCp932("<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\r\n<type>普通建物</type>\r\n"),
       "<type>普通建物</type>\r\n", false},
      {"several runs", big, bigBody, true},
  };
  for (const Row& row : rows) {
    const std::string path = dir.file("source.xml");
    WriteText(path, row.bytes);
    bool utf8 = false;
    int runs = 0;
    EXPECT_EQ(ReadAll(path, &utf8, &runs), row.expected) << row.name;
    EXPECT_EQ(utf8, row.utf8) << row.name;
    if (row.bytes.size() > (8u << 20)) {
      EXPECT_GT(runs, 1) << row.name;
    }
    // The same bytes in memory (a zip member) read the same, in one run.
    utf8 = !row.utf8;
    EXPECT_EQ(ReadAll(SourceFile::InMemory("a.zip/source.xml", row.bytes), &utf8, &runs), row.expected)
        << row.name << " in memory";
    EXPECT_EQ(utf8, row.utf8) << row.name << " in memory";
    EXPECT_LE(runs, 1) << row.name << " in memory";
  }
  gml::SourceText missing;
  EXPECT_FALSE(missing.open(dir.file("missing.xml")));
}

TEST(VertexLines, FastAndSlowPathsAgree) {
  struct Row {
    const char* line;
    bool allBlanks;
    bool ok;
    double lat, lon;
  };
  const Row rows[] = {
      {"35.710733556 139.764841861", true, true, 35.710733556, 139.764841861},
      {"35.7 139", true, true, 35.7, 139.0},
      {"  35.7 139.5", true, true, 35.7, 139.5},
      {"  35.7 139.5", false, false, 0, 0},
      {" 35.7 139.5", false, true, 35.7, 139.5},
      {"35.7 139.5  ", true, true, 35.7, 139.5},
      {"-35.25 -139.5", true, true, -35.25, -139.5},
      {"35.1234567890123456 139.5", true, true, 35.1234567890123456, 139.5},  // past the fast digits
      {"35.7", true, false, 0, 0},
      {"35.7x 139.5", true, false, 0, 0},
      {"35.7 139.5 1", true, false, 0, 0},
      {"", true, false, 0, 0},
      {"nan 139.5", true, false, 0, 0},
  };
  for (const Row& row : rows) {
    double lat = 0, lon = 0;
    EXPECT_EQ(gml::ParseVertexLine(row.line, row.allBlanks, lat, lon), row.ok) << row.line;
    if (row.ok) {
      EXPECT_EQ(lat, row.lat) << row.line;
      EXPECT_EQ(lon, row.lon) << row.line;
    }
    const std::string text = std::string(row.line) + "\r\n";
    double fLat = 0, fLon = 0;
    const char* next = gml::FastVertexLine(text.data(), text.data() + text.size(), row.allBlanks, fLat, fLon);
    if (next != nullptr) {  // the fast path may decline, but never disagree
      EXPECT_TRUE(row.ok) << row.line;
      EXPECT_EQ(next, text.data() + text.size()) << row.line;
      EXPECT_EQ(fLat, lat) << row.line;
      EXPECT_EQ(fLon, lon) << row.line;
    }
  }
}

TEST(MarkerLine, ValuesShortenTheRestOfTheLine) {
  {
    gml::MarkerLine m("<type>普通鉄道</type><snglDbl>単線</snglDbl>");
    std::string_view value;
    EXPECT_TRUE(m.take("<snglDbl>", value));
    EXPECT_EQ(value, "単線");
    EXPECT_FALSE(m.take("<type>", value));  // it stood before the value taken
    EXPECT_TRUE(m.contains("</snglDbl>"));
  }
  {
    gml::MarkerLine m("<rdCtg>国道<x>1</x></rdCtg>");
    std::string_view value;
    EXPECT_TRUE(m.take("<rdCtg>", value, "</"));
    EXPECT_EQ(value, "国道<x>1");
  }
  {
    // Many tags on one line: found all the same.
    std::string line;
    for (int i = 0; i < 12; ++i) line += "<a" + std::to_string(i) + ">v</a" + std::to_string(i) + ">";
    gml::MarkerLine m(line);
    std::string_view value;
    EXPECT_TRUE(m.take("<a10>", value));
    EXPECT_EQ(value, "v");
    EXPECT_FALSE(m.contains("<a3>"));
    EXPECT_TRUE(m.contains("</a11>"));
  }
  {
    gml::MarkerLine m("no tag at all");
    std::string_view value;
    EXPECT_FALSE(m.take("<type>", value));
    EXPECT_TRUE(m.contains("tag"));  // a marker without "<" is searched plainly
  }
}

}  // namespace
}  // namespace velkaro
