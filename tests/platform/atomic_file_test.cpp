#include "platform/atomic_file.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "temp_dir.h"
#include "write_failures.h"

namespace velkaro {
namespace {

namespace fs = std::filesystem;
using testing::ChildWrite;
using testing::RunWriteInChild;
using testing::TempDir;
using testing::WriteCondition;

std::vector<std::string> FolderNames(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

TEST(AtomicFile, TemporaryNamesKeepFolderAndExtensionAndAreRecognised) {
  const std::string temp = TemporaryNameFor("/out/tokyo_A0.bmp");
  EXPECT_EQ(fs::path(temp).parent_path(), "/out");
  EXPECT_EQ(fs::path(temp).extension(), ".bmp");
  EXPECT_NE(temp, TemporaryNameFor("/out/tokyo_A0.bmp"));
  EXPECT_TRUE(IsTemporaryName(fs::path(temp).filename().string()));
  EXPECT_TRUE(IsTemporaryName(fs::path(TemporaryNameFor("LastDraw")).filename().string()));
  for (const char* name : {"tokyo_A0.bmp", "a.tmp.bmp", "a.tmp12.bmp", "a.tmp-3.bmp", "a.tmpx-3.bmp"})
    EXPECT_FALSE(IsTemporaryName(name)) << name;
}

TEST(AtomicFile, ReplacesTheFileWholeKeepsItsPermissionsAndLeavesNoTemporary) {
  TempDir dir;
  const std::string path = dir.write("job.pxj", "old");
  ::chmod(path.c_str(), 0640);
  std::string error;
  ASSERT_TRUE(WriteFileAtomically(path, "new contents", &error)) << error;
  EXPECT_EQ(TempDir::read(path), "new contents");
  struct stat st {};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  EXPECT_EQ(FolderNames(dir.path()), std::vector<std::string>{"job.pxj"});
}

// A file staged early (written and flushed under its temporary name) is
// only renamed by commit(); one handed over to another owner (another
// process of the run) is put in place by that owner, and an owner never
// takes a file that is not a temporary beside the final name.
TEST(AtomicFile, StagedFilesAreHandedOverAndCommittedByTheirNewOwner) {
  TempDir dir;
  const std::string path = dir.file("index.bmp");
  std::string handed;
  {
    PendingFile staged(path);
    ASSERT_TRUE(staged.stage("staged bytes", nullptr));
    EXPECT_FALSE(fs::exists(path));
    handed = staged.handOver();
    EXPECT_EQ(staged.handOver(), "");
  }
  ASSERT_TRUE(fs::exists(handed)) << "handed over, the writer no longer removes it";
  {
    PendingFile dropped(path, handed);
    ASSERT_TRUE(dropped.created(nullptr));
  }
  EXPECT_FALSE(fs::exists(handed)) << "the new owner removes it when it does not commit";

  PendingFile staged(path);
  ASSERT_TRUE(staged.stage("staged bytes", nullptr));
  PendingFile adopted(path, staged.handOver());
  std::string error;
  ASSERT_TRUE(adopted.commit(&error)) << error;
  EXPECT_EQ(TempDir::read(path), "staged bytes");
  EXPECT_EQ(FolderNames(dir.path()), std::vector<std::string>{"index.bmp"});

  const std::string other = dir.write("sub/" + fs::path(TemporaryNameFor(path)).filename().string(), "x");
  const std::string plain = dir.write("plain.bmp", "y");
  for (const std::string& foreign : {other, plain, dir.file("index.tmp1-1.bmp"), std::string()}) {
    PendingFile refused(path, foreign);
    EXPECT_FALSE(refused.created(nullptr)) << foreign;
    EXPECT_FALSE(refused.commit(&error)) << foreign;
  }
  EXPECT_TRUE(fs::exists(other) && fs::exists(plain)) << "a refused file is left alone";
  EXPECT_EQ(TempDir::read(path), "staged bytes");
}

TEST(AtomicFile, SavingThroughASymbolicLinkReplacesItsTarget) {
  TempDir dir;
  const std::string target = dir.write("real.pxj", "old");
  const std::string link = dir.file("link.pxj");
  fs::create_symlink(target, link);
  ASSERT_TRUE(WriteFileAtomically(link, "new", nullptr));
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(TempDir::read(target), "new");
}

TEST(AtomicFile, AFailingWriterLeavesThePreviousFileAndNoTemporary) {
  TempDir dir;
  const std::string path = dir.write("tile.bmp", "previous");
  struct Case {
    const char* what;
    FileFiller fill;
    std::string reason;
  };
  const std::vector<Case> cases = {
      {"errno reason", [](const std::string&, std::string&) { errno = ENOSPC; return false; },
       std::strerror(ENOSPC)},
      {"own reason", [](const std::string&, std::string& r) { r = "bad strip"; return false; }, "bad strip"},
      {"partial then fail",
       [](const std::string& temp, std::string&) {
         std::ofstream(temp) << "half";
         errno = EIO;
         return false;
       },
       std::strerror(EIO)},
  };
  for (const Case& c : cases) {
    std::string error;
    EXPECT_FALSE(WriteFileAtomically(path, c.fill, &error)) << c.what;
    EXPECT_EQ(error, path + ": " + c.reason) << c.what;
    EXPECT_EQ(TempDir::read(path), "previous") << c.what;
    EXPECT_EQ(FolderNames(dir.path()), std::vector<std::string>{"tile.bmp"}) << c.what;
  }
  // An exception from the writer unwinds through the pending file, which
  // removes its temporary.
  EXPECT_THROW(WriteFileAtomically(
                   path, [](const std::string&, std::string&) -> bool { throw std::runtime_error("x"); }, nullptr),
               std::runtime_error);
  EXPECT_EQ(FolderNames(dir.path()), std::vector<std::string>{"tile.bmp"});
}

TEST(AtomicFile, FailuresOfTheFolderNameTheFileAndTheSystemsReason) {
  TempDir dir;
  fs::create_directories(dir.file("tile.bmp"));  // a folder under the file's name
  struct Case {
    std::string path;
    int code;
  };
  const std::vector<Case> cases = {
      {dir.file("tile.bmp"), EISDIR},
      {dir.file("missing/tile.bmp"), ENOENT},
  };
  for (const Case& c : cases) {
    std::string error;
    EXPECT_FALSE(WriteFileAtomically(c.path, "bytes", &error)) << c.path;
    EXPECT_EQ(error, c.path + ": " + std::strerror(c.code));
  }
  EXPECT_TRUE(fs::is_directory(dir.file("tile.bmp")));
  EXPECT_EQ(FolderNames(dir.path()), std::vector<std::string>{"tile.bmp"});
}

TEST(AtomicFile, AReadOnlyFolderRefusesTheWriteWithTheSystemsReason) {
  TempDir dir;
  const std::string folder = dir.file("readonly");
  fs::create_directories(folder);
  const std::string path = dir.write("readonly/job.pxj", "previous");
  ::chmod(folder.c_str(), 0555);
  const ChildWrite child = RunWriteInChild(WriteCondition::Unprivileged, 0, [&](std::string* error) {
    return WriteFileAtomically(path, "new", error);
  });
  ::chmod(folder.c_str(), 0755);
  ASSERT_TRUE(child.ran);
  EXPECT_FALSE(child.succeeded);
  EXPECT_EQ(child.message, path + ": " + std::strerror(EACCES));
  EXPECT_EQ(TempDir::read(path), "previous");
}

TEST(AtomicFile, AFullDiskLeavesThePreviousFileByteIdentical) {
  TempDir dir;
  const std::string previous(3000, 'p');
  const std::string path = dir.write("index.bmp", previous);
  const ChildWrite child = RunWriteInChild(WriteCondition::FileSizeLimit, 4096, [&](std::string* error) {
    return WriteFileAtomically(path, std::string(100000, 'n'), error);
  });
  ASSERT_TRUE(child.ran);
  EXPECT_FALSE(child.succeeded);
  EXPECT_EQ(child.message, path + ": " + std::strerror(EFBIG));
  EXPECT_EQ(TempDir::read(path), previous);
  EXPECT_EQ(FolderNames(dir.path()), std::vector<std::string>{"index.bmp"});
}

// An interrupted program takes the files it was writing with it: the
// temporary of an unfinished file goes, a file already committed stays, and
// the program still ends by the signal it was sent (so a shell sees Ctrl-C).
TEST(AtomicFile, AnInterruptRemovesUnfinishedTemporariesAndEndsByItsSignal) {
  for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
    TempDir dir;
    const std::string previous = dir.write("mosaic.tif", "previous");
    const std::string done = dir.path() + "/done.tif";
    const pid_t pid = ::fork();
    if (pid == 0) {
      ::signal(signal, SIG_DFL);   // SIGHUP stays ignored if the tests run under nohup
      RemoveTemporariesOnInterrupt();
      PendingFile finished(done);
      PendingFile unfinished(previous);
      std::string error;
      const bool ok = finished.write("finished", &error) && finished.commit(&error) &&
                      unfinished.write("half a mosaic", &error);
      if (!ok) ::_exit(2);
      ::raise(signal);
      ::_exit(3);   // not reached: the signal ends the child
    }
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFSIGNALED(status)) << "signal " << signal << ", exit " << WEXITSTATUS(status);
    EXPECT_EQ(WTERMSIG(status), signal);
    EXPECT_EQ(FolderNames(dir.path()), (std::vector<std::string>{"done.tif", "mosaic.tif"})) << signal;
    EXPECT_EQ(TempDir::read(previous), "previous");
    EXPECT_EQ(TempDir::read(done), "finished");
  }
}

// After a writer was killed, its temporaries (and only its) can be removed
// by another process: the one that started it.
TEST(AtomicFile, TheTemporariesOfOneProcessAreRemovedByItsId) {
  TempDir dir;
  for (const char* name : {"a.tmp123-0.bmp", "c.tmp123-7.tif", "b.tmp1234-1.bmp", "e.tmp12-3.bmp", "plain.bmp",
                           "d.tmp123.bmp", "f.tmp123-x.bmp"})
    dir.write(name, "x");
  EXPECT_EQ(RemoveTemporariesOf(dir.path(), 123), 2);
  EXPECT_EQ(FolderNames(dir.path()), (std::vector<std::string>{"b.tmp1234-1.bmp", "d.tmp123.bmp", "e.tmp12-3.bmp",
                                                               "f.tmp123-x.bmp", "plain.bmp"}));
  EXPECT_EQ(RemoveTemporariesOf(dir.path() + "/missing", 123), 0);
}

}  // namespace
}  // namespace velkaro
