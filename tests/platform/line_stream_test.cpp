#include "platform/line_stream.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "temp_dir.h"

namespace velkaro {
namespace {

using testing::TempDir;

// The lines a LineCursor-like split of the text gives: '\n' ends a line, a
// last line may end without one, an empty text has none.
std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    const size_t nl = text.find('\n', start);
    const size_t end = nl == std::string::npos ? text.size() : nl;
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

std::vector<std::string> StreamedLines(LineStream& stream, const std::string& path) {
  std::vector<std::string> lines;
  EXPECT_TRUE(stream.open(path)) << path;
  std::string_view line;
  while (stream.next(line)) lines.emplace_back(line);
  EXPECT_FALSE(stream.failed()) << path;
  return lines;
}

// Every line comes out whole whatever the chunk size: lines that cross a
// chunk's end, a line many chunks long, CR LF (the CR stays: the reader
// decides), blank lines, a last line without its line feed, an empty file,
// one stream reading file after file, and a special file of unknown size.
TEST(LineStream, HandsOutEveryLineWholeWhateverTheChunks) {
  TempDir dir;
  std::string longLine(70000, 'x');
  for (size_t i = 0; i < longLine.size(); i += 97) longLine[i] = static_cast<char>('a' + i % 26);
  const std::string texts[] = {
      "",
      "\n",
      "one line without its end",
      "a,1\r\nb,2\r\n\r\nc,3\r\n",
      "first\n\n\nafter blanks\nlast without end",
      "short\n" + longLine + "\nshort again\n" + longLine,
  };
  for (const size_t chunk : {size_t{1}, size_t{2}, size_t{7}, size_t{4096}, size_t{256} << 10}) {
    LineStream stream(chunk);
    for (size_t k = 0; k < std::size(texts); ++k) {
      const std::string path = dir.write("t" + std::to_string(k) + ".txt", texts[k]);
      EXPECT_EQ(StreamedLines(stream, path), SplitLines(texts[k])) << "text " << k << ", chunk " << chunk;
      EXPECT_EQ(stream.fileBytes(), texts[k].size());
    }
  }
  LineStream stream;
  const std::vector<std::string> status = StreamedLines(stream, "/proc/self/status");
  ASSERT_FALSE(status.empty());
  EXPECT_EQ(status.front().rfind("Name:", 0), 0u);
  EXPECT_EQ(stream.fileBytes(), 0u);

  EXPECT_FALSE(stream.open(dir.file("missing.txt")));
  std::string_view line;
  EXPECT_FALSE(stream.next(line));
  EXPECT_FALSE(stream.failed());
}

// A read that fails (a folder opened as a file) ends the lines and says so.
TEST(LineStream, ReportsAFailedRead) {
  TempDir dir;
  LineStream stream;
  ASSERT_TRUE(stream.open(dir.path()));
  std::string_view line;
  EXPECT_FALSE(stream.next(line));
  EXPECT_TRUE(stream.failed());
}

}  // namespace
}  // namespace velkaro
