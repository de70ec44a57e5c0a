#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>

#include "platform/file_system.h"
#include "tests/unit/test_support.h"
#include <unistd.h>

TEST(PosixFileSystem, WritesAtomicallyAndLeavesNoTemporaryBehind) {
  TempDir dir;
  auto files = CreatePosixFileSystem();
  dir.Write("a.txt", "old");
  ASSERT_TRUE(files->WriteFileAtomically(dir.File("a.txt"), "new content"));
  EXPECT_EQ(dir.Read("a.txt"), "new content");
  EXPECT_FALSE(dir.Exists("a.txt.tmp"));

  std::string read;
  ASSERT_TRUE(files->ReadWholeFile(dir.File("a.txt"), &read));
  EXPECT_EQ(read, "new content");
  EXPECT_FALSE(files->ReadWholeFile(dir.File("missing"), &read));
  EXPECT_FALSE(files->ReadWholeFile(dir.path(), &read)) << "a folder is not a file";
}

TEST(PosixFileSystem, FailedWriteKeepsTheOldFile) {
  if (geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
  TempDir dir;
  auto files = CreatePosixFileSystem();
  dir.Write("a.txt", "old");
  chmod(dir.path().c_str(), 0555);
  EXPECT_FALSE(files->WriteFileAtomically(dir.File("a.txt"), "new"));
  chmod(dir.path().c_str(), 0755);
  EXPECT_EQ(dir.Read("a.txt"), "old");
}

TEST(PosixFileSystem, ListsFolderWithWindowsStylePattern) {
  TempDir dir;
  auto files = CreatePosixFileSystem();
  dir.Write("a.mp3", "");
  dir.Write("README", "");
  std::vector<std::string> names;
  ASSERT_TRUE(files->ListFolder(dir.path() + "\\*.*", &names));
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{".", "..", "README", "a.mp3"}));
  EXPECT_FALSE(files->ListFolder(dir.File("none") + "\\*.*", &names));
}

TEST(PosixFileSystem, MediaFileReadsAndSeeks) {
  TempDir dir;
  auto files = CreatePosixFileSystem();
  dir.Write("m.bin", "0123456789");
  auto media = files->OpenMediaFile(dir.File("m.bin"));
  ASSERT_TRUE(media);
  EXPECT_EQ(media->Size(), 10);
  char buffer[4];
  EXPECT_EQ(media->Read(buffer, 4), 4);
  EXPECT_TRUE(media->Seek(8));
  EXPECT_EQ(media->Read(buffer, 4), 2);
  EXPECT_EQ(media->Tell(), 10);
  EXPECT_EQ(media->Read(buffer, 4), 0);
  EXPECT_FALSE(files->OpenMediaFile(dir.path()));
  EXPECT_FALSE(files->OpenMediaFile(dir.File("missing")));
}
