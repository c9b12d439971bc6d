#include "app/folder_setting.h"

#include <gtest/gtest.h>

namespace tarvex::app {
namespace {

TEST(FolderSetting, RelativeFromStartFolderAbsoluteAsIsEmptyStaysEmpty) {
  EXPECT_EQ(resolve_folder("/start", "Outbox"), "/start/Outbox");
  EXPECT_EQ(resolve_folder("/start", "Data\\Outbox"), "/start/Data/Outbox");
  EXPECT_EQ(resolve_folder("/start", "../shared/in"), "/start/../shared/in");
  EXPECT_EQ(resolve_folder("/start", "/var/outbox"), "/var/outbox");
  EXPECT_EQ(resolve_folder("/start", ""), "");
}

}  // namespace
}  // namespace tarvex::app
