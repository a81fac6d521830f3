#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "catalogue/catalogue_loader.h"

namespace velkaro {
namespace {

namespace fs = std::filesystem;

class LinkFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() / ("velkaro-links-" + std::to_string(::getpid()) + "-" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(folder_);
  }
  void TearDown() override { fs::remove_all(folder_); }

  void writeLinks(const std::string& text) const {
    std::ofstream(folder_ / kMapLinkFile, std::ios::binary) << text;
  }
  MapLinks load() { return LoadMapLinks(folder_.string(), messages_); }

  fs::path folder_;
  std::vector<CatalogueMessage> messages_;
};

TEST_F(LinkFolder, MissingFileWarnsAndKeepsTheBuiltInAddresses) {
  EXPECT_EQ(load(), BuiltInMapLinks());
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0].title, "警告");
  EXPECT_EQ(messages_[0].text, "\\maplink.txtが見つかりません");
}

TEST_F(LinkFolder, AddressesComeFromEverySecondLine) {
  std::string text;
  for (int k = 0; k < kMapLinkCount; ++k) {
    text += "ラベル" + std::to_string(k) + "\r\n https://example.org/" + std::to_string(k) + " \r\n";
  }
  writeLinks(text);
  const MapLinks links = load();
  EXPECT_TRUE(messages_.empty());
  for (int k = 0; k < kMapLinkCount; ++k) EXPECT_EQ(links[k], "https://example.org/" + std::to_string(k));
}

// A short file or an empty address line must not blank out a working button.
TEST_F(LinkFolder, MissingAddressLinesKeepTheirBuiltInAddress) {
  writeLinks("a\nhttps://one.example/\nb\n\nc\nhttps://three.example/\nd\n");
  const MapLinks links = load();
  const MapLinks builtIn = BuiltInMapLinks();
  EXPECT_TRUE(messages_.empty());
  EXPECT_EQ(links[0], "https://one.example/");
  EXPECT_EQ(links[1], builtIn[1]);
  EXPECT_EQ(links[2], "https://three.example/");
  for (int k = 3; k < kMapLinkCount; ++k) EXPECT_EQ(links[k], builtIn[k]) << k;
}

TEST(ShippedLinkFile, MatchesTheBuiltInAddresses) {
  std::vector<CatalogueMessage> messages;
  EXPECT_EQ(LoadMapLinks(VELKARO_BIN_DIR, messages), BuiltInMapLinks());
  EXPECT_TRUE(messages.empty());
}

}  // namespace
}  // namespace velkaro
