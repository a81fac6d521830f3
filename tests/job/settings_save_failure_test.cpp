// A settings save that fails or is killed half-way never damages the file
// it replaces.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>

#include "../platform/temp_dir.h"
#include "../platform/write_failures.h"
#include "job/settings_file.h"

namespace velkaro {
namespace {

namespace fs = std::filesystem;
using testing::ChildWrite;
using testing::RunWriteInChild;
using testing::TempDir;
using testing::WriteCondition;

std::string SavedText(const JobSettings& s, const TempDir& dir, const std::string& name) {
  std::string error;
  EXPECT_TRUE(WriteSettings(s, dir.file(name), &error)) << error;
  return TempDir::read(dir.file(name));
}

TEST(SettingsSaveFailure, AFullDiskLeavesThePreviousFileByteIdentical) {
  TempDir dir;
  JobSettings s;
  s.namae = "previous";
  const std::string previous = SavedText(s, dir, "job.pxj");
  s.namae = std::string(20000, 'x');  // more than the limit lets through
  const ChildWrite child = RunWriteInChild(WriteCondition::FileSizeLimit, 8192, [&](std::string* error) {
    return WriteSettings(s, dir.file("job.pxj"), error);
  });
  ASSERT_TRUE(child.ran);
  EXPECT_FALSE(child.succeeded);
  EXPECT_EQ(child.message, dir.file("job.pxj") + ": " + std::strerror(EFBIG));
  EXPECT_EQ(TempDir::read(dir.file("job.pxj")), previous);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
}

TEST(SettingsSaveFailure, AKillDuringSavesLeavesTheOldOrTheNewFileWhole) {
  TempDir dir;
  JobSettings a, b;
  a.namae = std::string(300000, 'a');
  b.namae = std::string(300000, 'b');
  const std::string textA = SavedText(a, dir, "a.pxj");
  const std::string textB = SavedText(b, dir, "b.pxj");
  const std::string path = dir.file("LastDraw.pxj");
  SavedText(a, dir, "LastDraw.pxj");
  // Kill a child saving in a loop at a few different moments.
  for (int delayMs : {1, 3, 7, 15}) {
    const pid_t pid = ::fork();
    if (pid == 0) {
      for (int i = 0;; ++i) WriteSettings(i % 2 ? a : b, path, nullptr);
    }
    ::usleep(static_cast<useconds_t>(delayMs) * 1000);
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
    const std::string now = TempDir::read(path);
    EXPECT_TRUE(now == textA || now == textB) << "killed after " << delayMs << " ms: " << now.size() << " bytes";
  }
}

}  // namespace
}  // namespace velkaro
