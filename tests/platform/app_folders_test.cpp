#include "platform/app_folders.h"
#include "platform/memory_status.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>

#include "temp_dir.h"

namespace velkaro {
namespace {

using testing::TempDir;

// Sets an environment variable for the life of the object.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value) ::setenv(name, value, 1); else ::unsetenv(name);
  }
  ~ScopedEnv() {
    if (old_) ::setenv(name_, old_->c_str(), 1); else ::unsetenv(name_);
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

TEST(AppFoldersTest, ProgramFolderHoldsTheRunningExecutable) {
  const std::string folder = ProgramFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(folder.back(), '/');
  EXPECT_TRUE(std::filesystem::exists(folder + "test_platform"));
}

TEST(AppFoldersTest, AppDataFolderFollowsXdgAndIsCreated) {
  TempDir dir;
  {
    ScopedEnv xdg("XDG_CONFIG_HOME", dir.file("config").c_str());
    EXPECT_EQ(AppDataFolder(), dir.file("config") + "/Velkaro");
    EXPECT_TRUE(std::filesystem::is_directory(dir.file("config/Velkaro")));
    EXPECT_EQ(LastDrawPath(), dir.file("config") + "/Velkaro/LastDraw.pxj");
  }
  for (const char* ignored : {static_cast<const char*>(nullptr), "", "relative/config"}) {
    ScopedEnv home("HOME", dir.file("home").c_str());
    ScopedEnv xdg("XDG_CONFIG_HOME", ignored);
    EXPECT_EQ(AppDataFolder(), dir.file("home") + "/.config/Velkaro");
    EXPECT_TRUE(std::filesystem::is_directory(dir.file("home/.config/Velkaro")));
  }
}

TEST(MemoryStatusTest, ParsesMeminfo) {
  const MemoryStatus modern = ParseMemInfo(
      "MemTotal:        8000000 kB\nMemFree:          100000 kB\nMemAvailable:    6000000 kB\n");
  EXPECT_TRUE(modern.valid);
  EXPECT_EQ(modern.totalBytes, 8000000ull * 1024);
  EXPECT_EQ(modern.availableBytes, 6000000ull * 1024);

  // Kernels before 3.14 have no MemAvailable.
  const MemoryStatus old = ParseMemInfo(
      "MemTotal: 1000 kB\nMemFree: 100 kB\nBuffers: 20 kB\nCached: 300 kB\nSwapCached: 5 kB\n");
  EXPECT_TRUE(old.valid);
  EXPECT_EQ(old.availableBytes, 420ull * 1024);

  EXPECT_FALSE(ParseMemInfo("").valid);
  EXPECT_FALSE(ParseMemInfo("MemTotal: lots\n").valid);
}

TEST(MemoryStatusTest, ReadsThisMachine) {
  const MemoryStatus status = ReadMemoryStatus();
  ASSERT_TRUE(status.valid);
  EXPECT_GT(status.totalBytes, 0u);
  EXPECT_LE(status.availableBytes, status.totalBytes);
}

}  // namespace
}  // namespace velkaro
