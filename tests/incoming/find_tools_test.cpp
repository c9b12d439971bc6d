#include "incoming/find_tools.h"

#include <gtest/gtest.h>

#include "../device/device_fixture.h"
#include "device/device_files.h"
#include "incoming/device_link.h"
#include "incoming/incoming_message.h"
#include "platform/text_file.h"

namespace tarvex::incoming {
namespace {

using device::DeviceFixture;

TEST(FindDevice, StarAndQuestionMarkMatchWithoutRegardToCase) {
  testing::TempFolder dir;
  for (const char* name : {"+27821111111.dev", "+27822222222.DEV", "+27731112222.dev",
                           "+27821111111.dft", ".+2782hidden.dev", "+2782 notes.txt"})
    dir.write(name, "x");
  const DeviceSearch all = find_devices(dir.path(), "+2782*");
  EXPECT_EQ(all.hits, (std::vector<std::string>{"+27821111111.dev", "+27822222222.DEV"}));
  EXPECT_EQ(all.status, "Device/s +2782* was found in " + dir.path());
  EXPECT_EQ(find_devices(dir.path(), "+2773111222?").hits,
            std::vector<std::string>{"+27731112222.dev"});
  const DeviceSearch none = find_devices(dir.path(), "+2799*");
  EXPECT_TRUE(none.hits.empty());
  EXPECT_EQ(none.status, kFileNotFound);
  // A pattern cannot climb out of the folder.
  EXPECT_TRUE(find_devices(dir.path(), "../*").hits.empty());
}

TEST(FindDevice, ListingsTakeEveryCharacterOfFolderAndFileNames) {
  testing::TempFolder dir;
  // Three scripts: no single 8-bit code page holds them all.
  const std::string folder = dir.file("Устройства Gerät 装置");
  const std::string name = "+2782 Ünit ж 装置.dev";
  platform::create_folders(folder);
  platform::write_file(platform::join_path(folder, name), "xyz");
  EXPECT_EQ(find_devices(folder, "+2782*").hits, std::vector<std::string>{name});
  const std::optional<ListedFile> file = look_at_file(folder, name);
  ASSERT_TRUE(file);
  EXPECT_EQ(file->size, 3u);
}

TEST(FindInReceived, CopiesTheRowsWhoseChosenColumnHoldsTheText) {
  platform::StringGrid source(4, 2), result(4, 2);
  append_message_row(source, {"+2782", "2026/12/08 ", "10:00:00", "Alarm at gate"});
  append_message_row(source, {"+2783", "2026/12/09 ", "11:00:00", "all clear"});
  append_message_row(source, {"+2784", "2026/12/09 ", "12:00:00", "Alarm in hall"});
  EXPECT_EQ(find_in_received(source, kColMessage, "Alarm", result), 2);
  EXPECT_EQ(result.row_count(), 4);
  EXPECT_EQ(result.row_cells(2), source.row_cells(3));
  EXPECT_EQ(result.cell(0, 3), "");
  EXPECT_EQ(find_in_received(source, kColMessage, "alarm", result), 0);  // case counts
  EXPECT_EQ(find_in_received(source, kColReceivedDate, "", result), 0);
  EXPECT_EQ(result.row_count(), 2);
  EXPECT_EQ(find_in_received(source, kColUnitNumber, "+278", result), 3);
  // A copy: clearing the source leaves it.
  clear_message_grid(source);
  EXPECT_EQ(result.cell(0, 3), "+2784");
}

struct DeviceLinkTest : DeviceFixture, ::testing::Test {
  DeviceLinkTest() {
    dir.write("Devices/+27821234567.dev",
              "Arm\xFE"
              "A1\xFE"
              "5\xFE\xFE"
              "1\xFE\r\n+27821234567\r\n4321\r\n00000Gate\r\n"
              "\xFDK71 Morvane\r\n\xFC"
              "2\r\n\r\n");
  }
};

TEST_F(DeviceLinkTest, LoadsTheSendersDeviceFileAndSaysSo) {
  device.description = "old";
  EXPECT_TRUE(link_device(context, "+27821234567"));
  EXPECT_EQ(device.unit_number, "+27821234567");
  EXPECT_EQ(device.description, "Gate");
  EXPECT_EQ(session.programming_mode, 2);
  EXPECT_EQ(cell(1, 1), "A1");
  EXPECT_EQ(session.found_device_path, dir.file("Devices/+27821234567.dev"));
  EXPECT_EQ(ui.messages, std::vector<std::string>{"+27821234567.dev file was loaded"});
  // A file without a description leaves the one shown.
  dir.write("Devices/+27829990000.dev", "+27829990000\r\n1111\r\n");
  EXPECT_TRUE(link_device(context, "+27829990000"));
  EXPECT_EQ(device.description, "Gate");
  // No file of that number: nothing happens, nothing is said.
  EXPECT_FALSE(link_device(context, "+27000000000"));
  EXPECT_EQ(ui.messages.size(), 2u);
}

TEST_F(DeviceLinkTest, SenderNumbersThatCouldNameAnotherFileLoadNothing) {
  dir.write("secret.dev", "+27999\r\n");
  dir.write("Devices/sub/x.dev", "+27998\r\n");
  for (const char* number : {"../secret", "..", "sub/x", "sub\\x", "", "a\r\nb"}) {
    EXPECT_FALSE(linked_device_path(session, number)) << number;
    EXPECT_FALSE(link_device(context, number)) << number;
  }
  EXPECT_EQ(device.unit_number, "+27");
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(DeviceLinkTest, UnsavedChangesAreAskedAboutFirst) {
  device.modified = true;
  ui.answers = {platform::Answer::Cancel};
  EXPECT_FALSE(link_device(context, "+27821234567"));
  // "Yes" saves (the save dialog is cancelled here) and links nothing.
  ui.answers = {platform::Answer::Yes};
  EXPECT_FALSE(link_device(context, "+27821234567"));
  EXPECT_EQ(ui.file_dialogs.back().filter, device::kDeviceFileFilter);
  EXPECT_EQ(device.unit_number, "+27");
  ui.answers = {platform::Answer::No};
  EXPECT_TRUE(link_device(context, "+27821234567"));
  EXPECT_FALSE(device.modified);
  EXPECT_EQ(ui.questions.size(), 3u);
}

// The question runs the window's timers: the poll may clear or grow the grid
// the clicked number was read from.
TEST_F(DeviceLinkTest, TheNumberIsKeptWhileTheGridChangesDuringTheQuestion) {
  platform::StringGrid incoming(4, 2);
  append_message_row(incoming, {"+27821234567", "2026/12/08 ", "10:00:00", "Alarm"});
  device.modified = true;
  ui.answers = {platform::Answer::No};
  ui.on_question = [&] {
    clear_message_grid(incoming);
    append_message_row(incoming, {"+27830000000", "2026/12/08 ", "10:00:01", "other"});
    for (int i = 0; i < 200; ++i) append_message_row(incoming, {"+2784", "", "", "more"});
  };
  EXPECT_TRUE(link_device(context, incoming.cell(kColUnitNumber, 1)));
  EXPECT_EQ(ui.messages, std::vector<std::string>{"+27821234567.dev file was loaded"});
}

}  // namespace
}  // namespace tarvex::incoming
