#include "platform/ini_file.h"

#include <gtest/gtest.h>

#include "temp_dir.h"

namespace velkaro {
namespace {

using testing::TempDir;

TEST(IniFileTest, IntegerFormsAndFallbacks) {
  struct Case {
    const char* text;
    long expected;  // -999 means "the default"
  };
  const Case cases[] = {
      {"12", 12},          {"  12  ", 12},        {"-7", -7},         {"+5", 5},
      {"$FF", 255},        {"$ff", 255},          {"$0000FF", 255},   {"0x1F", 31},
      {"0X1f", 31},        {"-$10", -16},         {"$FFFFFFFF", -1},  {"2147483647", 2147483647},
      {"-2147483648", -2147483648L}, {"2147483648", -999}, {"$100000000", -999},
      {"", -999},          {"abc", -999},         {"12abc", -999},    {"1.5", -999},
      {"1 2", -999},       {"$", -999},           {"0x", -999},       {"$-5", -999},
      {"--1", -999},       {"0x0x1", -999},
  };
  for (const Case& c : cases) {
    const IniFile ini = IniFile::FromText(std::string("[s]\nk=") + c.text + "\n");
    EXPECT_EQ(ini.ReadInt("s", "k", -999), c.expected) << "value \"" << c.text << "\"";
  }
}

TEST(IniFileTest, LookupsIgnoreCaseAndValuesAreTrimmed) {
  const IniFile ini = IniFile::FromText(
      "[Kihon]\r\n  VER = 12 \r\nnamae=  東京 駅  \r\nempty=\r\nblank=   \r\n"
      "; comment=not a key\r\nnot a key line\r\n");
  EXPECT_EQ(ini.ReadInt("kihon", "ver", 0), 12);
  EXPECT_EQ(ini.ReadInt("KIHON", "Ver", 0), 12);
  EXPECT_EQ(ini.ReadString("kihon", "NAMAE", "x"), "東京 駅");
  // A present but empty value is the empty text, not the default.
  ASSERT_TRUE(ini.Get("kihon", "empty").has_value());
  EXPECT_EQ(*ini.Get("kihon", "empty"), "");
  EXPECT_EQ(ini.ReadString("kihon", "blank", "x"), "");
  EXPECT_EQ(ini.ReadInt("kihon", "empty", 7), 7);
  EXPECT_FALSE(ini.Get("kihon", "missing").has_value());
  EXPECT_FALSE(ini.Get("; comment", "x").has_value());
  EXPECT_FALSE(ini.Get("kihon", "; comment").has_value());
  EXPECT_EQ(ini.ReadString("other", "ver", "dflt"), "dflt");
  EXPECT_TRUE(ini.ReadBool("kihon", "ver", false));
  EXPECT_TRUE(ini.ReadBool("kihon", "missing", true));
}

TEST(IniFileTest, OnlyTheFirstSectionOfANameAndItsFirstKeyCount) {
  IniFile ini = IniFile::FromText("[a]\nk=1\nk=2\n[b]\n[A]\nk=3\nj=4\n");
  EXPECT_EQ(ini.ReadInt("a", "k", 0), 1);
  EXPECT_FALSE(ini.Get("a", "j").has_value());
  ini.Write("a", "K", "9");
  EXPECT_EQ(ini.Text(), "[a]\r\nk=9\r\nk=2\r\n[b]\r\n[A]\r\nk=3\r\nj=4\r\n");
}

TEST(IniFileTest, WritesUpdateInPlaceAndKeepEveryOtherLine) {
  IniFile ini = IniFile::FromText(
      "; Velkaro settings\n"
      "[kihon]\n"
      "Ver = 7\n"
      "old=keep me\n"
      "\n"
      "[area]\n"
      "# a comment\n"
      "namae=old\n"
      "\n"
      "\n");
  ini.Write("KIHON", "ver", "12");        // in place, the file's spelling of the key kept
  ini.Write("kihon", "type", "2");        // appended at the end of its section
  ini.Write("area", "namae", "tokyo");
  ini.Write("tiikimesh", "cb", "1");      // a new section at the end of the file
  ini.Write("tiikimesh", "keta", "2");
  EXPECT_EQ(ini.Text(),
            "; Velkaro settings\r\n"
            "[kihon]\r\n"
            "Ver=12\r\n"
            "old=keep me\r\n"
            "type=2\r\n"
            "\r\n"
            "[area]\r\n"
            "# a comment\r\n"
            "namae=tokyo\r\n"
            "\r\n"
            "\r\n"
            "[tiikimesh]\r\n"
            "cb=1\r\n"
            "keta=2\r\n");
}

TEST(IniFileTest, LineEndsOfEveryKindAreRead) {
  const IniFile ini = IniFile::FromText("[a]\rk1=1\r\nk2=2\nk3=3");
  EXPECT_EQ(ini.ReadInt("a", "k1", 0), 1);
  EXPECT_EQ(ini.ReadInt("a", "k2", 0), 2);
  EXPECT_EQ(ini.ReadInt("a", "k3", 0), 3);
  EXPECT_EQ(ini.Text(), "[a]\r\nk1=1\r\nk2=2\r\nk3=3\r\n");
}

TEST(IniFileTest, AValueWithLineBreaksStaysOneLine) {
  IniFile ini;
  ini.Write("area", "namae", "a\r\n[kihon]\nver=1");
  EXPECT_FALSE(ini.HasSection("kihon"));
  EXPECT_EQ(ini.ReadString("area", "namae", ""), "a  [kihon] ver=1");
}

TEST(IniFileTest, MissingFileReadsAsEmptyAndSaysSo) {
  TempDir dir;
  std::string error;
  const IniFile ini = IniFile::Load(dir.file("nothing.pxj"), &error);
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(ini.Text(), "");
  EXPECT_EQ(ini.ReadInt("kihon", "ver", 3), 3);
}

TEST(IniFileTest, SaveWritesUtf8WithCrLfAndLoadSkipsTheBom) {
  TempDir dir;
  const std::string path =
      dir.write("job.pxj", "\xEF\xBB\xBF[area]\nnamae=富士山\nfoo=bar\n");
  std::string error;
  IniFile ini = IniFile::Load(path, &error);
  EXPECT_TRUE(error.empty()) << error;
  EXPECT_EQ(ini.ReadString("area", "namae", ""), "富士山");
  ini.Write("area", "namae", "浅間山");
  ASSERT_TRUE(ini.Save(path, &error)) << error;
  EXPECT_EQ(TempDir::read(path), "[area]\r\nnamae=浅間山\r\nfoo=bar\r\n");
  // No temporary file is left beside it.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                          std::filesystem::directory_iterator()), 1);
}

TEST(IniFileTest, SavingOverAFileKeepsItsPermissions) {
  TempDir dir;
  const std::string path = dir.write("private.pxj", "[a]\nk=1\n");
  std::filesystem::permissions(path, std::filesystem::perms::owner_read |
                                         std::filesystem::perms::owner_write);
  IniFile ini = IniFile::Load(path);
  ini.Write("a", "k", "2");
  std::string error;
  ASSERT_TRUE(ini.Save(path, &error)) << error;
  EXPECT_EQ(std::filesystem::status(path).permissions() & std::filesystem::perms::all,
            std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
  EXPECT_EQ(IniFile::Load(path).ReadInt("a", "k", 0), 2);
}

TEST(IniFileTest, SaveIntoAMissingFolderFailsWithAMessage) {
  TempDir dir;
  IniFile ini;
  ini.Write("a", "k", "1");
  std::string error;
  EXPECT_FALSE(ini.Save(dir.file("no/such/folder/job.pxj"), &error));
  EXPECT_NE(error.find("no/such/folder"), std::string::npos) << error;
}

}  // namespace
}  // namespace velkaro
