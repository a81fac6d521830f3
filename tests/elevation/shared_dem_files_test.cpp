// DEM files shared by the worker processes of a run: an entry comes back as
// it was left, a damaged or foreign entry is not believed, a process waits
// while another takes the same file apart, a holder that dies leaves the
// work to the waiter, and a process keeps its entries within its bytes.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <string>

#include "elevation/shared_dem_files.h"
#include "../platform/temp_dir.h"

namespace velkaro {
namespace {

using testing::TempDir;

DemXmlParsed SomeParsed(size_t count) {
  DemXmlParsed parsed;
  parsed.outcome = DemXmlOutcome::Read;
  parsed.kindFound = 1;
  parsed.loaded = true;
  parsed.tuplesOk = false;
  parsed.header.lowerLat = 35.25;
  parsed.header.upperLon = 139.5;
  parsed.header.width = 1125;
  parsed.header.height = 750;
  parsed.header.startX = 3;
  parsed.header.found = DemXmlHeader::kLower | DemXmlHeader::kHigh;
  for (size_t i = 0; i < count; ++i) parsed.values.push_back(i % 7 == 0 ? NAN : 0.25 * static_cast<double>(i));
  return parsed;
}

void ExpectSame(const DemXmlParsed& a, const DemXmlParsed& b) {
  EXPECT_EQ(a.outcome, b.outcome);
  EXPECT_EQ(a.kindFound, b.kindFound);
  EXPECT_EQ(a.loaded, b.loaded);
  EXPECT_EQ(a.tuplesOk, b.tuplesOk);
  EXPECT_EQ(a.header.lowerLat, b.header.lowerLat);
  EXPECT_EQ(a.header.upperLon, b.header.upperLon);
  EXPECT_EQ(a.header.width, b.header.width);
  EXPECT_EQ(a.header.height, b.header.height);
  EXPECT_EQ(a.header.startX, b.header.startX);
  EXPECT_EQ(a.header.found, b.header.found);
  const std::span<const double> va = a.allValues(), vb = b.allValues();
  ASSERT_EQ(va.size(), vb.size());
  for (size_t i = 0; i < va.size(); ++i)
    if (std::isnan(va[i]))
      EXPECT_TRUE(std::isnan(vb[i])) << i;
    else
      EXPECT_EQ(va[i], vb[i]) << i;
}

TEST(SharedDemFiles, AnEntryComesBackAsItWasLeft) {
  TempDir dir;
  SharedDemFiles store(dir.path(), 1 << 20);
  const DemXmlParsed parsed = SomeParsed(1000);
  {
    SharedDemFiles::Turn turn = store.turnFor("a.xml\n2");
    ASSERT_EQ(turn.found(), nullptr);   // nobody has taken it apart yet
    turn.publish(parsed);
  }
  {
    const SharedDemFiles::Turn again = store.turnFor("a.xml\n2");
    ASSERT_NE(again.found(), nullptr);
    ExpectSame(parsed, *again.found());
  }
  // Another process's store on the same folder finds it too; the values it
  // found stay readable once the folder is removed (the run's end).
  SharedDemFiles other(dir.path(), 1 << 20);
  const std::shared_ptr<const DemXmlParsed> found = other.turnFor("a.xml\n2").found();
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(other.turnFor("b.xml\n2").found(), nullptr);
  std::filesystem::remove_all(dir.path());
  ExpectSame(parsed, *found);
  // A taken-over entry can be left for others again as it stands.
  std::filesystem::create_directories(dir.path());
  SharedDemFiles third(dir.path(), 1 << 20);
  third.turnFor("c.xml\n2").publish(*found);
  ExpectSame(parsed, *third.turnFor("c.xml\n2").found());
}

// Whatever lies under an entry's name is read only when it is whole and
// names the same file.
TEST(SharedDemFiles, DamagedOrForeignEntriesAreNotBelieved) {
  TempDir dir;
  SharedDemFiles store(dir.path(), 1 << 20);
  const std::string key = "a.xml\n2";
  {
    SharedDemFiles::Turn turn = store.turnFor(key);
    turn.publish(SomeParsed(100));
  }
  const std::string good = TempDir::read(store.entryPath(key));
  // The same layout for another file, to be put under this file's name.
  TempDir otherDir;
  SharedDemFiles otherStore(otherDir.path(), 1 << 20);
  {
    SharedDemFiles::Turn turn = otherStore.turnFor("b.xml\n2");
    turn.publish(SomeParsed(100));
  }
  const std::string foreign = TempDir::read(otherStore.entryPath("b.xml\n2"));
  std::string badMagic = good;
  badMagic[0] = 'X';
  std::string badOutcome = good;
  badOutcome[8 + 4 + key.size()] = 9;
  const struct {
    const char* what;
    std::string bytes;
  } cases[] = {
      {"empty", ""},
      {"head cut short", good.substr(0, 20)},
      {"values cut short", good.substr(0, good.size() - 3)},
      {"a value missing", good.substr(0, good.size() - 8)},
      {"bytes after the values", good + std::string(8, '\0')},
      {"another file's entry", foreign},
      {"not an entry", badMagic},
      {"unknown outcome", badOutcome},
  };
  for (const auto& c : cases) {
    dir.write(std::filesystem::path(store.entryPath(key)).filename().string(), c.bytes);
    EXPECT_EQ(store.turnFor(key).found(), nullptr) << c.what;
  }
  dir.write(std::filesystem::path(store.entryPath(key)).filename().string(), good);
  EXPECT_NE(store.turnFor(key).found(), nullptr);
}

// A child process holds the turn for a file; the parent asks for the same
// file and gets what the child left (it waited), or the turn itself when
// the child died without leaving anything.
TEST(SharedDemFiles, AProcessWaitsForTheOneTakingTheFileApart) {
  for (const bool childPublishes : {true, false}) {
    TempDir dir;
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      SharedDemFiles store(dir.path(), 1 << 20);
      SharedDemFiles::Turn turn = store.turnFor("a.xml\n2");
      (void)!write(ready[1], "x", 1);
      usleep(150 * 1000);   // taking the file apart
      if (childPublishes) turn.publish(SomeParsed(500));
      _exit(0);
    }
    char x;
    ASSERT_EQ(read(ready[0], &x, 1), 1);
    SharedDemFiles store(dir.path(), 1 << 20);
    const SharedDemFiles::Turn turn = store.turnFor("a.xml\n2");
    if (childPublishes) {
      ASSERT_NE(turn.found(), nullptr);
      ExpectSame(SomeParsed(500), *turn.found());
    } else {
      EXPECT_EQ(turn.found(), nullptr);
    }
    int status = 0;
    waitpid(child, &status, 0);
    close(ready[0]);
    close(ready[1]);
  }
}

// Asking without waiting: nothing while another holds the file's turn (the
// lock belongs to the open file, so two stores of one process stand for two
// workers), the turn once it is free, the entry once it is left.
TEST(SharedDemFiles, ATurnWithoutWaitingIsNoneWhileAnotherHoldsIt) {
  TempDir dir;
  SharedDemFiles first(dir.path(), 1 << 20), second(dir.path(), 1 << 20);
  {
    SharedDemFiles::Turn held = first.turnFor("a.xml\n2");
    EXPECT_FALSE(second.turnIfFree("a.xml\n2").has_value());
    std::optional<SharedDemFiles::Turn> other = second.turnIfFree("b.xml\n2");
    ASSERT_TRUE(other.has_value());
    EXPECT_EQ(other->found(), nullptr);   // b is second's to take apart
    held.publish(SomeParsed(300));
  }
  std::optional<SharedDemFiles::Turn> left = second.turnIfFree("a.xml\n2");
  ASSERT_TRUE(left.has_value());
  ASSERT_NE(left->found(), nullptr);
  ExpectSame(SomeParsed(300), *left->found());
}

// A process removes its own oldest entries beyond its share of bytes.
TEST(SharedDemFiles, KeepsItsEntriesWithinItsBytes) {
  TempDir dir;
  const DemXmlParsed parsed = SomeParsed(1000);   // about 8 kB an entry
  SharedDemFiles store(dir.path(), 20000);
  for (const char* key : {"a", "b", "c"}) store.turnFor(key).publish(parsed);
  EXPECT_FALSE(std::filesystem::exists(store.entryPath("a")));
  EXPECT_TRUE(std::filesystem::exists(store.entryPath("b")));
  EXPECT_TRUE(std::filesystem::exists(store.entryPath("c")));
}

}  // namespace
}  // namespace velkaro
