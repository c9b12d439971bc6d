#include "app/folders.h"

#include <gtest/gtest.h>

namespace tarvex::app {
namespace {

TEST(Folders, RelativeFromStartFolderAbsoluteAsIsEmptyStaysEmpty) {
  EXPECT_EQ(resolve_folder("/start", "Outbox"), "/start/Outbox");
  EXPECT_EQ(resolve_folder("/start", "Data\\Outbox"), "/start/Data/Outbox");
  EXPECT_EQ(resolve_folder("/start", "../shared/in"), "/start/../shared/in");
  EXPECT_EQ(resolve_folder("/start", "/var/outbox"), "/var/outbox");
  EXPECT_EQ(resolve_folder("/start", ""), "");
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
