#include "outbound/outbox_message_file.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "outbound/sms_programming.h"
#include "platform/text_file.h"
#include "support/temp_folder.h"

namespace tarvex::outbound {
namespace {

std::vector<std::string> everything_under(const std::string& folder) {
  std::vector<std::string> found;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder))
    found.push_back(std::filesystem::relative(entry.path(), folder).generic_string());
  std::sort(found.begin(), found.end());
  return found;
}

TEST(OutboxMessageFile, EverySenderKindHasItsNameHeaderAndLineEnd) {
  testing::TempFolder dir;
  const std::string folder = dir.file("Outbox");
  ensure_programming_folder(folder);

  struct Case {
    OutboxMessageFile file;
    std::string name;
    std::string bytes;
  };
  const Case cases[] = {
      {programming_message("+27821234567", 3, programming_body("P1234S", "12", "1", "ABC")),
       "+27821234567_3.txt", "+27821234567,7,P1234S12\"1ABC\""},
      {command_message("+27821234567", 42, "P", "1234", "A1"), "+27821234567_42.txt",
       "NONE\r\nReport:N\r\n+27821234567,7,P1234A1\r\n"},
      {plain_message("0821234567", 5, "Hello, there"), "0821234567_5.txt",
       "0821234567,7,Hello, there"},
      // The draw of the bulk send and the grid row stand together: 37 and 12.
      {bulk_message("0821234567", 37, 12, "Alarm test"), "0821234567_3712.txt",
       "0821234567,7,Alarm test\r\n"},
      // 8-bit text goes through untouched.
      {plain_message("+2782", 0, "\xFB\xFC\xFD\xFE"), "+2782_0.txt", "+2782,7,\xFB\xFC\xFD\xFE"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.file.file_name(), c.name);
    const std::string path = write_outbox_file(folder, c.file);
    EXPECT_EQ(path, platform::join_path(folder, c.name));
    EXPECT_EQ(platform::read_file(path), c.bytes) << c.name;
  }
  // Nothing but the five files: no temporary left behind.
  EXPECT_EQ(everything_under(folder).size(), 5u);
}

TEST(OutboxMessageFile, NumbersThatWouldLeaveTheFolderAreRefused) {
  testing::TempFolder dir;
  const std::string folder = dir.file("deep/Outbox");
  ensure_programming_folder(folder);
  for (const std::string number : {"../../x", "+27/82", "+27\\82", "+27..82", ".."}) {
    SCOPED_TRACE(number);
    ASSERT_TRUE(destination_problem(number));
    try {
      write_outbox_file(folder, plain_message(number, 1, "text"));
      ADD_FAILURE() << "written";
    } catch (const OutboxError& e) {
      EXPECT_EQ(std::string(e.what()), "\"" + number +
                                           "\" can not be used as a number: it holds \"/\", "
                                           "\"\\\" or \"..\".\r\nMessage will not be send!");
    }
  }
  EXPECT_EQ(everything_under(dir.path()), (std::vector<std::string>{"deep", "deep/Outbox"}));
  // A single dot or an ordinary number is fine.
  EXPECT_FALSE(destination_problem("+27.82"));
  EXPECT_FALSE(destination_problem("+27821234567"));
}

TEST(OutboxMessageFile, FolderIsMadeWithItsParentsOrReported) {
  testing::TempFolder dir;
  ensure_programming_folder(dir.file("a/b/c"));
  EXPECT_TRUE(platform::folder_exists(dir.file("a/b/c")));

  dir.write("plain-file", "x");
  try {
    ensure_programming_folder(dir.file("plain-file/Outbox"));
    ADD_FAILURE() << "made a folder under a file";
  } catch (const OutboxError& e) {
    EXPECT_STREQ(e.what(), "Can not find the Programming folder");
  }
  // No setting at all: refused, and nothing lands in the current folder.
  for (auto attempt : {+[] { ensure_programming_folder(""); },
                       +[] { write_outbox_file("", plain_message("+27821234567", 1, "x")); }}) {
    try {
      attempt();
      ADD_FAILURE() << "accepted an empty folder";
    } catch (const OutboxError& e) {
      EXPECT_STREQ(e.what(), "Unable to create directory");
    }
  }
  EXPECT_FALSE(platform::file_exists("+27821234567_1.txt"));
}

}  // namespace
}  // namespace tarvex::outbound
