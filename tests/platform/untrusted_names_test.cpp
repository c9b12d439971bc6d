// Names that come from outside (folder pickers, listings, other programs'
// files) never reach a path outside their folder or shift the lines of a
// settings file.
#include <filesystem>

#include <gtest/gtest.h>

#include "../device/device_fixture.h"
#include "app/settings_files.h"
#include "device/device_files.h"
#include "platform/text_file.h"

namespace tarvex {
namespace {

TEST(UntrustedNames, ListingsLeaveSymbolicLinksOut) {
#ifdef _WIN32
  GTEST_SKIP() << "creating a symbolic link needs a privilege on Windows, which Wine lacks";
#endif
  testing::TempFolder outside, watched;
  outside.write("secret.txt", "not for the poll\r\n");
  watched.write("a.txt", "x");
  std::filesystem::create_symlink(outside.file("secret.txt"), watched.file("b.txt"));
  std::filesystem::create_directory_symlink(outside.path(), watched.file("c.txt"));
  EXPECT_EQ(platform::list_files(watched.path(), "*.txt"), std::vector<std::string>{"a.txt"});
}

TEST(UntrustedNames, ALineEndInANameCannotShiftSettingsLines) {
  device::DeviceFixture f;
  const std::string setup = "out\r\ndev\r\nin\r\nmodem\r\nlog\r\nfun\r\n1\r\n";
  f.dir.write("setup.txt", setup);
  f.dir.write("History.ini", "/d/one.dev\r\n/d/two.dev\r\n");
  f.ui.dialog_answers.push_back(std::string("/tmp/evil\r\n/elsewhere"));
  const auto change = app::change_setting(f.session, app::SetupEntry::DevicePath);
  ASSERT_TRUE(change);
  EXPECT_FALSE(change->stored);
  EXPECT_EQ(f.session.settings.device_folder, "Devices");
  ASSERT_EQ(f.ui.messages.size(), 1u);
  EXPECT_NE(f.ui.messages[0].find("line break"), std::string::npos);
  EXPECT_EQ(f.dir.read("setup.txt"), setup);

  const device::HistoryMenu menu = device::update_history(f.session, "/d/new\n.dev");
  for (const auto& entry : menu) EXPECT_FALSE(entry);
  EXPECT_EQ(f.dir.read("History.ini"), "/d/one.dev\r\n/d/two.dev\r\n");
}

}  // namespace
}  // namespace tarvex
