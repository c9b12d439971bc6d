#include "platform/text_file.h"

#include <gtest/gtest.h>

#include <filesystem>

#ifdef _WIN32
#include <windows.h>
#endif

#include "platform/file_api.h"
#include "platform/file_lock.h"
#include "support/blocked_rewrite.h"
#include "support/temp_folder.h"

namespace tarvex::platform {
namespace {

using testing::TempFolder;

TEST(TextFile, SplitsOnCrLfAndLfAndKeepsEveryOtherByte) {
  EXPECT_EQ(split_lines("a\r\nb\nc"), (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_EQ(split_lines("a\r\n\r\n"), (std::vector<std::string>{"a", ""}));
  EXPECT_TRUE(split_lines("").empty());
  const std::string marks = "\xFB\xFC\xFD\xFE\r";
  EXPECT_EQ(split_lines(marks + "x\r\n"), std::vector<std::string>{marks + "x"});
}

TEST(TextFile, WriteReadRoundTripWithCrLf) {
  TempFolder dir;
  write_lines(dir.file("f.txt"), {"one", "\xFB two", ""});
  EXPECT_EQ(dir.read("f.txt"), "one\r\n\xFB two\r\n\r\n");
  EXPECT_EQ(read_lines(dir.file("f.txt")), (std::vector<std::string>{"one", "\xFB two", ""}));
  EXPECT_FALSE(file_exists(dir.file("f.txt.tmp")));
}

TEST(TextFile, FailedRewriteKeepsTheOldFile) {
  TempFolder dir;
  dir.write("keep.txt", "old\r\n");
  {
    const tarvex::testing::BlockedRewrite blocked(dir.file("keep.txt"));
    EXPECT_THROW(write_lines(dir.file("keep.txt"), {"the new contents"}), FileError);
  }
  EXPECT_EQ(dir.read("keep.txt"), "old\r\n");
  EXPECT_EQ(list_files(dir.path(), "*"), std::vector<std::string>{"keep.txt"});
}

TEST(TextFile, RewritesLeaveFilesOfTheirOldTemporaryNameAlone) {
  TempFolder dir;
  // An operator's own files, beside the one rewritten.
  dir.write("keep.txt.tmp", "mine\r\n");
  std::filesystem::create_directory(dir.file("keep.txt.0.tmp"));
  for (const char* text : {"one", "two"}) write_lines(dir.file("keep.txt"), {text});
  write_synced_file(dir.file("new.txt"), "three");
  EXPECT_EQ(dir.read("keep.txt"), "two\r\n");
  EXPECT_EQ(dir.read("new.txt"), "three");
  EXPECT_EQ(dir.read("keep.txt.tmp"), "mine\r\n");
  EXPECT_EQ(list_files(dir.path(), "*"),
            (std::vector<std::string>{"keep.txt", "keep.txt.tmp", "new.txt"}));
}

TEST(TextFile, PathsKeepEveryCharacterAndRewritesReplaceTheFile) {
  TempFolder dir;
  // Three scripts: no single 8-bit code page holds them all.
  const std::string folder = dir.file("Устройства Gerät 装置");
  create_folders(folder);
  const std::string path = join_path(folder, "Ünit ж.dev");
  write_lines(path, {"old"});
  write_lines(path, {"new"});
  append_lines(path, {"more"});
  EXPECT_EQ(read_lines(path), (std::vector<std::string>{"new", "more"}));
  EXPECT_EQ(list_files(folder, "*.DEV"), std::vector<std::string>{"Ünit ж.dev"});
  // The file system holds the very name, not a stand-in for it.
  const auto entry = *std::filesystem::directory_iterator(
      std::filesystem::path(reinterpret_cast<const char8_t*>(folder.c_str())));
  EXPECT_EQ(entry.path().filename(), std::filesystem::path(u8"Ünit ж.dev"));
  EXPECT_TRUE(remove_file(path));
  EXPECT_FALSE(file_exists(path));
}

TEST(TextFile, ReadingAMissingFileNamesIt) {
  TempFolder dir;
  try {
    read_lines(dir.file("none.txt"));
    FAIL();
  } catch (const FileError& e) {
    EXPECT_NE(std::string(e.what()).find("none.txt"), std::string::npos);
  }
}

TEST(TextFile, ASizeLimitRefusesLargerFilesAlsoWhenTheirSizeIsUnknown) {
  TempFolder dir;
  dir.write("five.txt", "12345");
  EXPECT_EQ(read_file(dir.file("five.txt"), 5), "12345");
  EXPECT_THROW(read_file(dir.file("five.txt"), 4), FileError);
  // A device that reports no size and never ends is cut off at the limit.
  EXPECT_THROW(read_lines("/dev/zero", 1 << 20), FileError);
}

TEST(TextFile, AppendCreatesThenAppendsAndFailureKeepsEntries) {
  TempFolder dir;
  append_lines(dir.file("log"), {"a"});
  append_lines(dir.file("log"), {"b", "c"});
  EXPECT_EQ(dir.read("log"), "a\r\nb\r\nc\r\n");
  std::filesystem::create_directory(dir.file("sub"));
  EXPECT_THROW(append_lines(dir.file("sub"), {"x"}), FileError);
  EXPECT_EQ(dir.read("log"), "a\r\nb\r\nc\r\n");
}

TEST(TextFile, WildcardsAreCaseInsensitive) {
  EXPECT_TRUE(wildcard_match("*.TXT", "a.txt"));
  EXPECT_TRUE(wildcard_match("u?er.dat", "User.DAT"));
  EXPECT_TRUE(wildcard_match("*", ""));
  EXPECT_FALSE(wildcard_match("*.txt", "a.txt.bak"));
  EXPECT_TRUE(wildcard_match("*a*b", "xxaybzb"));
  EXPECT_FALSE(wildcard_match("?", ""));
}

TEST(TextFile, ListsOrdinaryFilesSorted) {
  TempFolder dir;
  dir.write("b.TXT", "");
  dir.write("a.txt", "");
  dir.write("c.dat", "");
  std::filesystem::create_directory(dir.file("d.txt"));
  // Files the operator does not see in the folder are not listed.
  dir.write(".e.txt", "");
#ifdef _WIN32
  dir.write("f.txt", "");
  dir.write("g.txt", "");
  ASSERT_TRUE(SetFileAttributesW(to_fs_path(dir.file("f.txt")).c_str(), FILE_ATTRIBUTE_HIDDEN));
  ASSERT_TRUE(SetFileAttributesW(to_fs_path(dir.file("g.txt")).c_str(), FILE_ATTRIBUTE_SYSTEM));
#endif
  EXPECT_EQ(list_files(dir.path(), "*.txt"), (std::vector<std::string>{"a.txt", "b.TXT"}));
  EXPECT_TRUE(list_files(dir.file("missing"), "*").empty());
}

TEST(TextFile, CreatesNestedFoldersAndBuildsPaths) {
  TempFolder dir;
  create_folders(dir.file("x/y/z"));
  EXPECT_TRUE(folder_exists(dir.file("x/y/z")));
  EXPECT_EQ(join_path("", "b"), "b");
#ifdef _WIN32
  EXPECT_EQ(join_path("a", "b"), "a\\b");
  EXPECT_EQ(join_path("c:/", "b"), "c:/b");
  EXPECT_EQ(to_native_path("fun/a.fun"), "fun\\a.fun");
#else
  EXPECT_EQ(join_path("a", "b"), "a/b");
  EXPECT_EQ(to_native_path("fun\\a.fun"), "fun/a.fun");
#endif
  EXPECT_EQ(file_name_of("c:\\x\\y.dev"), "y.dev");
  EXPECT_EQ(folder_of("/a/b/c.dev"), "/a/b");
}

TEST(LineReader, ReadsPastTheEndAsEmptyText) {
  LineReader r({"a", "b"});
  EXPECT_FALSE(r.eof());
  EXPECT_EQ(r.read_line(), "a");
  EXPECT_EQ(r.read_line(), "b");
  EXPECT_TRUE(r.eof());
  EXPECT_EQ(r.read_line(), "");
}

// A program that refuses to start on a lock says why: another holder, or
// a lock file that can not be opened.
TEST(FileLock, TellsAnotherHolderFromALockFileThatCanNotBeOpened) {
  TempFolder dir;
  const FileLock first(dir.file("a.lock"));
  EXPECT_TRUE(first.held());
  const FileLock second(dir.file("a.lock"));
  EXPECT_FALSE(second.held());
  EXPECT_EQ(second.error(), 0);
  const FileLock nowhere(dir.file("missing/a.lock"));
  EXPECT_FALSE(nowhere.held());
  EXPECT_NE(nowhere.error(), 0);
}

}  // namespace
}  // namespace tarvex::platform
