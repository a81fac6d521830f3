#include "platform/text_encoding.h"

#include <gtest/gtest.h>

#include <iconv.h>

namespace velkaro {
namespace {

// CP932 bytes made by the system's iconv, independent of the code under test.
std::string SystemCp932(const std::string& utf8) {
  iconv_t cd = iconv_open("CP932", "UTF-8");
  std::string out(utf8.size() * 2 + 4, '\0');
  char* in = const_cast<char*>(utf8.data());
  size_t inLeft = utf8.size();
  char* dst = out.data();
  size_t outLeft = out.size();
  const size_t rc = iconv(cd, &in, &inLeft, &dst, &outLeft);
  iconv_close(cd);
  EXPECT_NE(rc, static_cast<size_t>(-1)) << utf8;
  out.resize(out.size() - outLeft);
  return out;
}

TEST(TextEncodingTest, Cp932ConvertsBothWays) {
  // ソ and 表 have the trail byte 0x5C ("\"), テ has 0x65 ("e"): trail bytes in
  // the ASCII range must not be taken for ASCII.
  const std::string texts[] = {
      "ソ表示", "テスト", "基盤地図情報\\道路縁", "ｱｲｳｴｵ半角", "~\\ABC", "①髙﨑",
      "mixed 東京 text 123 ｶﾅ end", "",
  };
  for (const std::string& utf8 : texts) {
    const std::string cp932 = SystemCp932(utf8);
    EXPECT_EQ(Utf8ToCp932(utf8), cp932) << utf8;
    EXPECT_EQ(Cp932ToUtf8(cp932), utf8) << utf8;
    EXPECT_EQ(DecodeToUtf8(cp932), utf8) << utf8;
    EXPECT_EQ(DecodeToUtf8(utf8), utf8) << utf8;
  }
}

TEST(TextEncodingTest, ALargeMixedBufferConvertsLikeOneIconvCall) {
  std::string utf8;
  for (int i = 0; i < 20000; ++i)
    utf8 += "<gml:posList>35.123456 139.654321</gml:posList><name>道路縁ｶﾅ" + std::to_string(i) +
            "</name>\r\n";
  const std::string cp932 = SystemCp932(utf8);
  EXPECT_EQ(Cp932ToUtf8(cp932), utf8);
  EXPECT_EQ(Utf8ToCp932(utf8), cp932);
}

TEST(TextEncodingTest, BadBytesAreReplacedNeverFatal) {
  const std::string replacement = "\xEF\xBF\xBD";
  // A lead byte at the very end, and bytes CP932 does not define.
  EXPECT_EQ(Cp932ToUtf8("ab\x81"), "ab" + replacement);
  EXPECT_EQ(Cp932ToUtf8("\xFD" "a"), replacement + "a");
  EXPECT_EQ(Cp932ToUtf8("\x83\x65\x81"), "テ" + replacement);
  // Characters CP932 cannot hold and malformed UTF-8 become "?".
  EXPECT_EQ(Utf8ToCp932("a\xF0\x9F\x98\x80" "b"), "a?b");
  EXPECT_EQ(Utf8ToCp932("a\xE6\x97"), "a?");
  EXPECT_EQ(Utf8ToCp932("\xFF" "x"), "?x");
}

TEST(TextEncodingTest, Utf8Validity) {
  struct Case {
    std::string bytes;
    bool valid;
  };
  const Case cases[] = {
      {"", true},
      {"plain ascii text that is longer than eight bytes", true},
      {"日本語のテキスト", true},
      {"\xF0\x9F\x98\x80", true},           // U+1F600
      {"\xEF\xBB\xBF" "bom", true},
      {"\xC0\xAF", false},                  // overlong "/"
      {"\xE0\x80\xAF", false},              // overlong, three bytes
      {"\xED\xA0\x80", false},              // surrogate
      {"\xF4\x90\x80\x80", false},          // above U+10FFFF
      {"\xE6\x97", false},                  // cut short
      {"abcdefgh\x83\x65", false},          // CP932 テ after an ASCII run
      {"\x80", false},                      // stray continuation byte
  };
  for (const Case& c : cases) EXPECT_EQ(IsValidUtf8(c.bytes), c.valid) << c.bytes;
}

TEST(TextEncodingTest, BomIsStrippedOnlyAtTheStart) {
  EXPECT_EQ(StripUtf8Bom("\xEF\xBB\xBF[kihon]"), "[kihon]");
  EXPECT_EQ(StripUtf8Bom("[kihon]\xEF\xBB\xBF"), "[kihon]\xEF\xBB\xBF");
}

TEST(TextEncodingTest, Cp932LengthAndCutKeepWholeCharacters) {
  EXPECT_EQ(Cp932Length("RdEdg-1"), 7u);
  EXPECT_EQ(Cp932Length("道路縁"), 6u);
  EXPECT_EQ(Cp932Length("ｶﾅ"), 2u);
  EXPECT_EQ(Cp932Length("\xF0\x9F\x98\x80"), 1u);  // stored as "?"

  struct Case {
    const char* text;
    size_t limit;
    const char* expected;
  };
  const Case cases[] = {
      {"AdmArea-12", 12, "AdmArea-12"},
      {"道路縁ABCDEFGH", 12, "道路縁ABCDEF"},
      {"AB道路縁", 5, "AB道"},       // the next character would need bytes 5 and 6
      {"AB道路縁", 6, "AB道路"},
      {"ｶﾅ漢字", 3, "ｶﾅ"},
      {"漢字", 0, ""},
      {"一二三四五六七八九十壱弐参四五六七", 30, "一二三四五六七八九十壱弐参四五"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(CutToCp932Bytes(c.text, c.limit), c.expected) << c.text << " / " << c.limit;
}

}  // namespace
}  // namespace velkaro
