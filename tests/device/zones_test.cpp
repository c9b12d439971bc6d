#include "device/zones.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "device/device_files.h"
#include "device/device_fixture.h"

namespace tarvex::device {
namespace {

class ZonesTest : public ::testing::Test, public DeviceFixture {
 protected:
  std::vector<std::string> zone_cells(int col) const {
    std::vector<std::string> out;
    for (int r = 1; r < zones.grid().row_count(); ++r) out.push_back(zones.grid().cell(col, r));
    return out;
  }
  std::vector<std::string> codes;
  ZoneSelection zones;
};

TEST_F(ZonesTest, ZoneFileStopsAtTheTerminatorOrAtItsEnd) {
  dir.write("Zone.dat", "Z1\r\nZ2\r\n\x7F\r\nZ3\r\n");
  EXPECT_EQ(read_zone_codes(dir.file("Zone.dat")), (std::vector<std::string>{"Z1", "Z2"}));
  dir.write("Zone.dat", "Z1\r\nZ2");
  EXPECT_EQ(read_zone_codes(dir.file("Zone.dat")), (std::vector<std::string>{"Z1", "Z2"}));
  dir.write("Zone.dat", "\x7F\r\nZ1\r\n");
  EXPECT_TRUE(read_zone_codes(dir.file("Zone.dat")).empty());
}

TEST_F(ZonesTest, OnlyTheZonedTypeLoadsAndAMissingFileKeepsTheList) {
  dir.write("Zone.dat", "Z1\r\n\x7F\r\n");
  hardware_type_changed(session, "Contactid", codes);
  EXPECT_TRUE(codes.empty());
  hardware_type_changed(session, "K71 Morvane", codes);
  EXPECT_EQ(codes, std::vector<std::string>{"Z1"});
  hardware_type_changed(session, "Contactid", codes);
  EXPECT_EQ(codes, std::vector<std::string>{"Z1"});

  std::remove(dir.file("Zone.dat").c_str());
  hardware_type_changed(session, "K71 Morvane", codes);
  EXPECT_EQ(codes, std::vector<std::string>{"Z1"});
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_NE(ui.messages[0].find("Zone.dat"), std::string::npos);
}

TEST_F(ZonesTest, ZoneStringRoundTripThroughTheWindow) {
  codes = {"Z1"};
  rows({{"Zones", "Z1", "8", "#", "1010", "Unselected"}});
  ui.on_modal = [&](const std::string& name) {
    EXPECT_EQ(name, "TForm16");
    EXPECT_EQ(zone_cells(0), (std::vector<std::string>{"Zone1", "Zone2", "Zone3", "Zone4"}));
    EXPECT_EQ(zone_cells(1),
              (std::vector<std::string>{"Enabled", "Disabled", "Enabled", "Disabled"}));
    zones.toggle(2);
    zones.apply();
    return 1;
  };
  // Selecting Flags edits the Text Message's zone string, never Flags.
  EXPECT_TRUE(zone_trigger(session, table, kColFlags, 1, codes, zones));
  EXPECT_EQ(cell(kColText, 1), "1110");
  EXPECT_EQ(cell(kColFlags, 1), "#");
  EXPECT_EQ(cell(kColState, 1), "Selected");
}

TEST_F(ZonesTest, CancelLeavesTheRowAndOtherCharactersComeBackDisabled) {
  codes = {"Z1"};
  rows({{"", "Z1", "", "", "1x0", "Unselected"}});
  ui.on_modal = [&](const std::string&) {
    EXPECT_EQ(zone_cells(1), (std::vector<std::string>{"Enabled", "", "Disabled"}));
    zones.enable_all();
    zones.disable_all();
    return 0;
  };
  zone_trigger(session, table, kColText, 1, codes, zones);
  EXPECT_EQ(cell(kColText, 1), "1x0");
  EXPECT_EQ(cell(kColState, 1), "Unselected");

  ui.on_modal = [&](const std::string&) {
    zones.toggle(1);  // Enabled -> Disabled
    zones.apply();
    return 1;
  };
  zone_trigger(session, table, kColText, 1, codes, zones);
  EXPECT_EQ(cell(kColText, 1), "000");
}

TEST_F(ZonesTest, EmptyZoneStringAppliesEmptyAndStillSelects) {
  codes = {"Z1"};
  rows({{"", "Z1", "", "", "", "Unselected"}});
  ui.on_modal = [&](const std::string&) {
    EXPECT_EQ(zones.grid().row_count(), 1);
    zones.apply();
    return 1;
  };
  zone_trigger(session, table, kColText, 1, codes, zones);
  EXPECT_EQ(cell(kColText, 1), "");
  EXPECT_EQ(cell(kColState, 1), "Selected");
}

TEST_F(ZonesTest, TriggerNeedsAnExactCodeAndColumnThreeOrFour) {
  codes = {"Z1"};
  rows({{"", "Z1 ", "", "", "1", ""}, {"", "Z1", "", "", "1", ""}});
  EXPECT_FALSE(zone_trigger(session, table, kColText, 1, codes, zones));
  EXPECT_FALSE(zone_trigger(session, table, kColProgLen, 2, codes, zones));
  EXPECT_FALSE(zone_trigger(session, table, kColState, 2, codes, zones));
  EXPECT_FALSE(zone_trigger(session, table, kColText, 2, {}, zones));
  EXPECT_TRUE(ui.modal_windows.empty());
}

}  // namespace
}  // namespace tarvex::device

namespace tarvex::device {
namespace {

// The sample start-up folder: its zoned device opens cleanly and its zone
// rows are the ones Zone.dat lists.
TEST(DemoFolder, ZonedSampleDeviceLoadsWithItsCommandsAndZoneCodes) {
  const std::string demo = std::string(TARVEX_SOURCE_DIR) + "/demo";
  testing::ScriptedUi ui;
  platform::VirtualScheduler scheduler;
  testing::TempFolder start;  // keeps History.ini and the event log out of the sources
  app::Session session{ui, scheduler, start.path()};
  session.settings.device_folder = demo + "/Devices";
  session.settings.function_folder = demo + "/Functions";
  session.settings.hardware_types = {"K71 Morvane", "Contactid"};
  Device device;
  platform::StringGrid table(kTableColumns, 2);
  DeviceLineReader reader;
  DeviceContext context{session, device, table, reader};
  ui.dialog_answers.push_back(demo + "/Devices/+27821234567.dev");
  ASSERT_TRUE(open_device(context, DeviceFileKind::Device).opened);
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_EQ(device.hardware_type, "K71 Morvane");
  EXPECT_EQ(load_command_list(context, open_device_commands()).entries.size(), 5u);
  const auto codes = read_zone_codes(demo + "/Zone.dat");
  int zoned = 0;
  for (int r = 1; r < table.row_count(); ++r)
    zoned += std::find(codes.begin(), codes.end(), table.cell(kColProgCode, r)) != codes.end();
  EXPECT_EQ(zoned, 2);
}

}  // namespace
}  // namespace tarvex::device
