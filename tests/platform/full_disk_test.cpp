// Every rewrite of an operator file on a disk that fills up mid-write: the
// old file stays byte for byte, and the failure reaches the operator (as a
// message, or as the error the window's handler reports).
#include <gtest/gtest.h>

#include "../device/device_fixture.h"
#include "app/accounts.h"
#include "app/event_log.h"
#include "app/settings_files.h"
#include "device/device_file.h"
#include "device/device_files.h"
#include "eeprom/map_generator.h"
#include "export/semicolon_table.h"
#include "outbound/bulk_messages.h"
#include "outbound/control_panel.h"
#include "outbound/email_settings.h"
#include "platform/text_file.h"
#include "support/disk_full.h"
#include "support/scripted_ui.h"
#include "support/temp_folder.h"

namespace tarvex {
namespace {

using testing::DiskFull;

const std::string kOld = "the old contents\r\nsecond line\r\n";

#define SKIP_WITHOUT_DISK_FULL() \
  if (!DiskFull::kSupported)     \
  GTEST_SKIP() << "needs a file-size limit (setrlimit) to fill the disk, which Windows lacks"

TEST(FullDisk, SettingsFilesKeepTheirOldContents) {
  SKIP_WITHOUT_DISK_FULL();
  testing::TempFolder dir;
  dir.write("setup.txt", kOld);
  dir.write("eset.ini", kOld);
  {
    DiskFull full;
    EXPECT_THROW(app::rewrite_setup_line(dir.path(), 3, "Incoming folder"), platform::FileError);
    EXPECT_THROW(app::save_form_settings(dir.path(), {100, 60, 60, 60, 300}), platform::FileError);
    outbound::EmailSettings settings{"Owner", "012", "a@b.c", "smtp.example.com",
                                     "me",    "42",  "p@b.c"};
    EXPECT_THROW(outbound::write_email_settings(dir.file("eset.ini"), settings),
                 platform::FileError);
  }
  EXPECT_EQ(dir.read("setup.txt"), kOld);
  EXPECT_EQ(dir.read("eset.ini"), kOld);
  EXPECT_TRUE(platform::list_files(dir.path(), "*.tmp").empty());
}

TEST(FullDisk, AccountsAndEventLogKeepEveryEntry) {
  SKIP_WITHOUT_DISK_FULL();
  testing::TempFolder dir;
  testing::ScriptedUi ui;
  platform::VirtualScheduler scheduler;
  app::Session session(ui, scheduler, dir.path());
  session.current_operator = "admin";
  app::write_log(session, "first event");
  const std::string log = dir.read("prpl.dat");
  dir.write("user.dat", kOld);

  platform::StringGrid users(2, 2);
  app::init_user_grid(users);
  users.set_cell(0, 1, "admin");
  users.set_cell(1, 1, "1234");
  {
    DiskFull full;
    EXPECT_FALSE(app::SaveUsers(ui, users, dir.file("user.dat")));
  }
  {
    // Room for part of the next entry: what got written is taken back.
    DiskFull full(log.size() + 4);
    EXPECT_THROW(app::write_log(session, "an event that does not fit"), platform::FileError);
    EXPECT_THROW(app::clear_event_log(session), platform::FileError);
  }
  EXPECT_EQ(dir.read("user.dat"), kOld);
  EXPECT_EQ(dir.read("prpl.dat"), log);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_NE(ui.messages[0].find("user.dat"), std::string::npos);
}

TEST(FullDisk, DeviceFileTemplateAndHistoryKeepTheirOldContents) {
  SKIP_WITHOUT_DISK_FULL();
  device::DeviceFixture f;
  f.dir.write("Devices/+2782.dev", kOld);
  f.dir.write("History.ini", kOld);
  f.dir.write("t.dtp", kOld);
  f.device.unit_number = "+2782";
  f.device.password = "1234";
  f.device.function_file = "K71.fun";
  f.device.hardware_type = "K71 Morvane";
  f.device.modified = true;
  f.rows({{"Zone 1", "Z1", "20", "", "Front door", "Unselected"}});
  f.ui.dialog_answers.push_back(f.dir.file("Devices/+2782.dev"));
  eeprom::MapFileRequest request;
  request.type_name = "K71 Morvane";
  {
    DiskFull full;
    EXPECT_FALSE(device::save_device(f.context, device::DeviceFileKind::Device));
    (void)device::update_history(f.session, f.dir.file("Devices/+2782.dev"));
    EXPECT_FALSE(eeprom::create_map_file(f.ui, f.dir.file("t.dtp"), request));
  }
  EXPECT_EQ(f.dir.read("Devices/+2782.dev"), kOld);
  EXPECT_EQ(f.dir.read("History.ini"), kOld);
  EXPECT_EQ(f.dir.read("t.dtp"), kOld);
  EXPECT_TRUE(f.device.modified);  // still unsaved: the next exit asks again
  EXPECT_EQ(f.ui.messages.size(), 3u);
}

TEST(FullDisk, FunctionGroupAndSpreadsheetFilesKeepTheirOldContents) {
  SKIP_WITHOUT_DISK_FULL();
  device::DeviceFixture f;
  f.dir.write("Functions/K71.fun", kOld);
  f.dir.write("Groups/Gate.grp", kOld);
  f.dir.write("log.xls", kOld);
  f.ui.dialog_answers = {f.dir.file("Functions/K71.fun"), f.dir.file("Groups/Gate.grp"),
                         f.dir.file("log.xls")};
  platform::StringGrid results(4, 2);
  {
    DiskFull full;
    EXPECT_FALSE(outbound::save_function_file(
        f.session, {"+2782", "1234", "Gate", {{"Arm", "ARM"}, {"Disarm", "DISARM"}}}));
    EXPECT_FALSE(outbound::save_group(f.session, {"+27821234567", "+27731112222"}));
    EXPECT_FALSE(exporting::export_unit_log(f.session, results, "+2782"));
  }
  EXPECT_EQ(f.dir.read("Functions/K71.fun"), kOld);
  EXPECT_EQ(f.dir.read("Groups/Gate.grp"), kOld);
  EXPECT_EQ(f.dir.read("log.xls"), kOld);
  EXPECT_EQ(f.ui.messages.size(), 3u);
}

}  // namespace
}  // namespace tarvex
