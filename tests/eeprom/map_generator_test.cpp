#include "eeprom/map_generator.h"

#include <gtest/gtest.h>

#include "eeprom/eeprom_template.h"
#include "platform/text_file.h"
#include "support/scripted_ui.h"
#include "support/temp_folder.h"

namespace tarvex::eeprom {
namespace {

MapFileRequest one_set(const std::string& code, bool hex, const std::string& address, int entries,
                       int size) {
  MapFileRequest request;
  request.type_name = "24FC256";
  request.sets[0] = {code, hex, address, entries, size, false};
  return request;
}

// The lines after the type name and the terminator.
std::vector<std::string> entry_lines(const MapFileRequest& request) {
  auto lines = platform::split_lines(build_map_file(request));
  return {lines.begin() + 2, lines.end()};
}

TEST(MapGenerator, HexAndDecimalExamples) {
  EXPECT_EQ(entry_lines(one_set("A0", true, "0100", 3, 64)),
            (std::vector<std::string>{"$0100", "A0", "$0140", "A1", "$0180", "A2"}));
  EXPECT_EQ(entry_lines(one_set("07", false, "0100", 3, 64)),
            (std::vector<std::string>{"$0100", "07", "$0140", "08", "$0180", "09"}));
}

TEST(MapGenerator, CodeWidthsPadButNeverCut) {
  auto decimal = entry_lines(one_set("9", false, "0000", 12, 1));
  ASSERT_EQ(decimal.size(), 24u);
  for (int k = 0; k < 12; ++k) EXPECT_EQ(decimal[2 * k + 1], std::to_string(9 + k));
  EXPECT_EQ(decimal[22], "$000B");

  auto zeros = entry_lines(one_set("000", false, "0000", 3, 1));
  EXPECT_EQ(zeros[1], "000");
  EXPECT_EQ(zeros[3], "001");
  EXPECT_EQ(zeros[5], "002");

  auto hex = entry_lines(one_set("0f", true, "1f00", 3, 1));
  EXPECT_EQ(hex, (std::vector<std::string>{"$1F00", "0F", "$1F01", "10", "$1F02", "11"}));

  auto wide_hex = entry_lines(one_set("FF", true, "0000", 2, 1));
  EXPECT_EQ(wide_hex[3], "100");
}

TEST(MapGenerator, FileLayoutTerminatorAndSetsInUse) {
  MapFileRequest request = one_set("00", false, "0000", 1, 1);
  request.terminator = 35;
  EXPECT_EQ(build_map_file(request), "24FC256\r\n#\r\n$0000\r\n00\r\n");

  // Third set in use, second not: sets one and three, in that order.
  request.sets[1] = {"50", false, "0800", 1, 1, false};
  request.sets[2] = {"B0", true, "0900", 2, 16, true};
  EXPECT_EQ(entry_lines(request),
            (std::vector<std::string>{"$0000", "00", "$0900", "B0", "$0910", "B1"}));

  // The first set is written whether or not its box says so; a lower-case
  // type name is written as typed.
  request.type_name = "24lc16b";
  request.sets[0].in_use = false;
  request.sets[2].in_use = false;
  EXPECT_EQ(platform::split_lines(build_map_file(request))[0], "24lc16b");
  EXPECT_EQ(entry_lines(request).size(), 2u);
}

TEST(MapGenerator, LargeValuesUseSixtyFourBits) {
  auto hex = entry_lines(one_set("FFFFFFFFFF", true, "0000", 2, 1));
  EXPECT_EQ(hex[1], "FFFFFFFFFF");
  EXPECT_EQ(hex[3], "10000000000");
  auto decimal = entry_lines(one_set("4294967295", false, "0000", 2, 1));
  EXPECT_EQ(decimal[3], "4294967296");
  // The last of 9999 entries of 6 bytes.
  auto last = entry_lines(one_set("0", false, "0000", 9999, 6));
  EXPECT_EQ(last[2 * 9998], "$EA54");
}

TEST(MapGenerator, BadNumbersAndOversizedAddressesAreRefused) {
  EXPECT_THROW(build_map_file(one_set("A0", false, "0000", 1, 1)), ConversionError);
  EXPECT_THROW(build_map_file(one_set("G1", true, "0000", 1, 1)), ConversionError);
  EXPECT_THROW(build_map_file(one_set("", false, "0000", 1, 1)), ConversionError);
  EXPECT_THROW(build_map_file(one_set("00", false, "00x0", 1, 1)), ConversionError);
  EXPECT_THROW(build_map_file(one_set("00", false, "FFF0", 2, 16)), ConversionError);
  EXPECT_NO_THROW(build_map_file(one_set("00", false, "FFF0", 2, 15)));
  try {
    build_map_file(one_set("7X", false, "0000", 1, 1));
    ADD_FAILURE() << "7X is no decimal number";
  } catch (const ConversionError& e) {
    EXPECT_STREQ(e.what(), "'7X' is not a valid integer value");
  }
}

TEST(MapGenerator, CreateKeepsTheOldFileOnFailureAndReadsBack) {
  testing::TempFolder dir;
  testing::ScriptedUi ui;
  const std::string path = dir.file("K71.dtp");
  dir.write("K71.dtp", "old contents");
  EXPECT_FALSE(create_map_file(ui, path, one_set("zz", false, "0000", 1, 1)));
  ASSERT_EQ(ui.messages, std::vector<std::string>{"'zz' is not a valid integer value"});
  EXPECT_EQ(dir.read("K71.dtp"), "old contents");

  MapFileRequest request = one_set("10", false, "0040", 3, 32);
  request.terminator = 13;  // a line end as terminator still reads back
  EXPECT_TRUE(create_map_file(ui, path, request));
  EepromTemplate t = load_template(path);
  EXPECT_EQ(t.type_name, "24FC256");
  EXPECT_EQ(t.terminator(), 13);
  EXPECT_EQ(t.terminator_line, "\r");
  ASSERT_EQ(t.entries.size(), 3u);
  EXPECT_EQ(t.entries[2].address, "$0080");
  EXPECT_EQ(t.entries[2].code, "12");

  EXPECT_FALSE(create_map_file(ui, dir.file("missing/folder/x.dtp"), request));
  EXPECT_EQ(ui.messages.size(), 2u);
}

}  // namespace
}  // namespace tarvex::eeprom
