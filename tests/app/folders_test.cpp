#include "app/folders.h"

#include <gtest/gtest.h>

#include "platform/text_file.h"

namespace tarvex::app {
namespace {

TEST(Folders, RelativeFromStartFolderAbsoluteAsIsEmptyStaysEmpty) {
  const auto native = platform::to_native_path;
  const std::string start = native("/start");
  EXPECT_EQ(resolve_folder(start, "Outbox"), native("/start/Outbox"));
  EXPECT_EQ(resolve_folder(start, "Data\\Outbox"), native("/start/Data/Outbox"));
  EXPECT_EQ(resolve_folder(start, "../shared/in"), native("/start/../shared/in"));
  EXPECT_EQ(resolve_folder(start, "/var/outbox"), native("/var/outbox"));
  EXPECT_EQ(resolve_folder(start, "c:\\Data"), native("c:\\Data"));
  EXPECT_EQ(resolve_folder(start, ""), "");
}

}  // namespace
}  // namespace tarvex::app

namespace tarvex::app {
namespace {

TEST(Folders, AbsolutePathsAndPathsBelowAFolder) {
  EXPECT_TRUE(is_absolute_path("/x"));
  EXPECT_TRUE(is_absolute_path("C:\\x"));
  EXPECT_TRUE(is_absolute_path("\\x"));
  EXPECT_FALSE(is_absolute_path("x/y"));
  EXPECT_FALSE(is_absolute_path(""));
  EXPECT_EQ(path_below("/d/fun", "/d/fun/a.fun"), "a.fun");
  EXPECT_EQ(path_below("/d/fun", "/d\\fun\\a.fun"), "a.fun");
  EXPECT_EQ(path_below("/d/fun", "/elsewhere/a.fun"), "/elsewhere/a.fun");
}

}  // namespace
}  // namespace tarvex::app
