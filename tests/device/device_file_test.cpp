#include "device/device_file.h"

#include <gtest/gtest.h>

#include "device/device_fixture.h"

namespace tarvex::device {
namespace {

class DeviceFileTest : public ::testing::Test, public DeviceFixture {
 protected:
  void read(const std::vector<std::string>& lines) {
    reader.row_counter = 1;
    read_device_lines(context, lines);
  }
};

const std::string kSep(1, kFieldSeparator);

TEST_F(DeviceFileTest, WritesTheLayoutWithExactMarkerBytes) {
  rows({{"Alarm text", "12", "20", "F", "Intruder", "Selected"}, {}});
  device.unit_number = "+27821234567";
  device.password = "1234";
  device.description = "Gate unit";
  device.hardware_type = "Contactid";
  device.function_file = "Gate.fun";
  const auto lines = device_file_lines(device, 2, table);
  const std::vector<std::string> expected = {
      "Alarm text\xFE"
      "12\xFE"
      "20\xFE"
      "F\xFE"
      "Intruder\xFE",
      "\xFE\xFE\xFE\xFE\xFE",
      "+27821234567",
      "1234",
      "00000Gate unit",
      "\xFD"
      "Contactid",
      "\xFC"
      "2",
      "\xFB"
      "Gate.fun",
      ""};
  EXPECT_EQ(lines, expected);
}

TEST_F(DeviceFileTest, WriterFillsInPlusPasswordAndBareMarkers) {
  device.unit_number = "27821234567";
  device.password = "";
  device.hardware_type.reset();
  device.function_file = "";
  const auto lines = device_file_lines(device, 0, table);
  ASSERT_EQ(lines.size(), 7u);
  EXPECT_EQ(lines[1], "+27821234567");
  EXPECT_EQ(lines[2], "9473");
  EXPECT_EQ(lines[3], "00000");
  EXPECT_EQ(lines[4], "\xFD");
  EXPECT_EQ(lines[5],
            "\xFC"
            "0");
  EXPECT_EQ(lines[6], "");  // no function file line
  EXPECT_EQ(stored_unit_number("27+1"), "27+1");
}

TEST_F(DeviceFileTest, RoundTripGivesBackEveryStoredField) {
  rows({{"Zone text", "Z1", "8", "", "1010", "Selected"},
        {"Phone", "P1", "16", "#", "+2782", "Message is Programmed"}});
  device = Device{"+27829999999", "4321", "Farm gate", "K71 Morvane", "Sub/Farm.fun", true};
  const auto lines = device_file_lines(device, 2, table);

  Device loaded;
  loaded.password = "old!";
  platform::StringGrid other(kTableColumns, 2);
  DeviceLineReader other_reader;
  DeviceContext other_context{session, loaded, other, other_reader};
  session.programming_mode = 0;
  read_device_lines(other_context, lines);
  EXPECT_EQ(loaded.unit_number, device.unit_number);
  EXPECT_EQ(loaded.password, "4321");
  EXPECT_EQ(loaded.description, "Farm gate");
  EXPECT_EQ(loaded.hardware_type, "K71 Morvane");
  EXPECT_TRUE(other_reader.hardware_type_found);
  EXPECT_EQ(loaded.function_file, "Sub/Farm.fun");
  EXPECT_EQ(session.programming_mode, 2);
  ASSERT_EQ(other.row_count(), 3);
  EXPECT_EQ(row_of(other, 1), (MessageRow{"Zone text", "Z1", "8", "", "1010", "Unselected"}));
  EXPECT_EQ(row_of(other, 2), (MessageRow{"Phone", "P1", "16", "#", "+2782", "Unselected"}));
  EXPECT_EQ(other_reader.row_counter, 3);
}

TEST_F(DeviceFileTest, LossyFieldsStayLossy) {
  // A short password is written but not read back.
  device.password = "12";
  device.description = "";
  auto lines = device_file_lines(device, 1, table);
  Device loaded;
  loaded.password = "kept";
  loaded.description = "old";
  DeviceContext c{session, loaded, table, reader};
  read_device_lines(c, lines);
  EXPECT_EQ(loaded.password, "kept");
  EXPECT_EQ(loaded.description, "");  // "00000" reads back as empty

  // A password beginning with "+" comes back as the unit number; a
  // description holding "+" does not come back.
  device.password = "+999";
  device.description = "call +27";
  lines = device_file_lines(device, 1, table);
  loaded = Device{};
  loaded.description = "before";
  read_device_lines(c, lines);
  EXPECT_EQ(loaded.unit_number, "+999");
  EXPECT_EQ(loaded.description, "before");
}

TEST_F(DeviceFileTest, HardwareTypeIsTakenOnlyWhenListed) {
  device.hardware_type = "Contactid";
  read(
      {"\xFD"
       "Unknown box"});
  EXPECT_EQ(device.hardware_type, "Contactid");
  EXPECT_FALSE(reader.hardware_type_found);
  read(
      {"\xFD"
       "contactid"});  // exact, case-sensitive
  EXPECT_FALSE(reader.hardware_type_found);
  read({"\xFD"});  // the empty entry of Hardware.ini is a listed name
  EXPECT_EQ(device.hardware_type, "");
  EXPECT_TRUE(reader.hardware_type_found);
}

TEST_F(DeviceFileTest, ClassifiesLinesByTheirFirstByteAndLength) {
  device.password = "pass";
  read({"", "abc", "27+1", "abcd", "12345678",
        "x\xFD"
        "y"});
  EXPECT_EQ(device.password, "abcd");
  EXPECT_EQ(device.description, "678");
  EXPECT_EQ(device.unit_number, "+27");  // "27+1" is ignored
  // A marker after the first byte has no effect: "x\xFDy" is a 3-byte line.
  EXPECT_FALSE(reader.hardware_type_found);
}

TEST_F(DeviceFileTest, ModeLineThatIsNotANumberIsReportedAndSkipped) {
  session.programming_mode = 2;
  read(
      {"\xFC"
       "two",
       "+2711"});
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0], "'two' is not a valid integer value");
  EXPECT_EQ(session.programming_mode, 2);
  EXPECT_EQ(device.unit_number, "+2711");  // the lines after it still count
}

TEST_F(DeviceFileTest, RowLinesWithOtherThanFiveFieldsDoNotCount) {
  read(
      {"a\xFE"
       "b\xFE"
       "c\xFE",  // three fields
       "d\xFE"
       "e\xFE"
       "f\xFE"
       "g\xFE"
       "h\xFE"
       "tail",  // text after the fifth
       "1\xFE"
       "2\xFE"
       "3\xFE"
       "4\xFE"
       "5\xFE"
       "6\xFE",  // six fields
       "r\xFE"
       "s\xFE"
       "t\xFE"
       "u\xFE"
       "v\xFE"});
  // Every malformed line filled row 1 and left the counter; the good line
  // then took row 1 over.
  ASSERT_EQ(table.row_count(), 2);
  EXPECT_EQ(row_of(table, 1), (MessageRow{"r", "s", "t", "u", "v", "Unselected"}));
  EXPECT_EQ(reader.row_counter, 2);

  read({"only\xFE"});
  EXPECT_EQ(table.row_count(), 2);
  EXPECT_EQ(cell(0, 1), "only");
  EXPECT_EQ(cell(5, 1), "Unselected");  // left from before, not set by this line
}

TEST_F(DeviceFileTest, SeparatorsAndLineEndsInsideTextsCannotBreakTheFile) {
  rows({{"Thorn \xFE here", "1", "5", "a\r\nb", "x", ""}});
  device.description = "desc\xFE";
  const auto lines = device_file_lines(device, 1, table);
  Device loaded;
  platform::StringGrid other(kTableColumns, 2);
  DeviceLineReader r;
  DeviceContext c{session, loaded, other, r};
  read_device_lines(c, lines);
  EXPECT_EQ(other.row_count(), 2);
  EXPECT_EQ(row_of(other, 1), (MessageRow{"Thorn ? here", "1", "5", "a??b", "x", "Unselected"}));
  EXPECT_EQ(loaded.description, "desc?");
}

TEST_F(DeviceFileTest, GarbageAndHugeLinesLoadWithoutHarm) {
  std::string garbage;
  for (int i = 0; i < 4096; ++i) garbage += static_cast<char>((i * 7919) % 256);
  const std::string huge_row(1 << 20, '\xFE');
  const std::string huge_text(1 << 20, 'x');
  read(platform::split_lines(garbage));
  read({huge_row, huge_text, "\xFC" + std::string(1 << 20, '9')});
  EXPECT_EQ(table.row_count(), 2);
  EXPECT_EQ(device.description, huge_text.substr(5));
  EXPECT_FALSE(ui.messages.empty());  // the oversized mode number is reported
}

}  // namespace
}  // namespace tarvex::device
