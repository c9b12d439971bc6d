#include "eeprom/eeprom_template.h"

#include <gtest/gtest.h>

#include "platform/text_file.h"
#include "platform/virtual_scheduler.h"

namespace tarvex::eeprom {
namespace {

TEST(EepromTemplate, ParsesTypeTerminatorAndPairsFirstEntryWins) {
  const EepromTemplate t =
      parse_template("24FC512\r\n\x01\r\n$0000\r\nA0\r\n$0040\r\nA1\r\n$0080\r\nA0\r\n$00C0\r\n");
  EXPECT_EQ(t.type_name, "24FC512");
  EXPECT_EQ(t.terminator(), 1);
  ASSERT_EQ(t.entries.size(), 4u);
  ASSERT_NE(t.find("A0"), nullptr);
  EXPECT_EQ(t.find("A0")->address, "$0000");
  EXPECT_EQ(t.find("A1")->address, "$0040");
  EXPECT_EQ(t.find("a1"), nullptr);  // exact, case-sensitive
  EXPECT_EQ(t.find("A"), nullptr);   // whole line
  EXPECT_EQ(t.entries[3].code, "");  // an address without its code line
}

TEST(EepromTemplate, LineEndTerminatorsAndMissingLines) {
  EXPECT_EQ(parse_template("24LC16B\r\n\n\r\n$0000\r\n1\r\n").terminator(), 10);
  const EepromTemplate cr = parse_template("24LC16B\r\n\r\r\n$0000\r\n1\r\n");
  EXPECT_EQ(cr.terminator(), 13);
  ASSERT_EQ(cr.entries.size(), 1u);
  EXPECT_EQ(cr.entries[0].code, "1");
  EXPECT_THROW(parse_template("24LC16B\r\n"), platform::FileError);
  EXPECT_THROW(load_template("/nonexistent/EEPROM Devices/x.dtp"), platform::FileError);
}

TEST(EepromTemplate, CommandCodesAndPath) {
  EXPECT_EQ(write_command_code("24LC16B"), 1);
  EXPECT_EQ(write_command_code("24FC256"), 2);
  EXPECT_EQ(write_command_code("24FC512"), 6);
  EXPECT_EQ(write_command_code("24lc16b"), 0);
  EXPECT_EQ(read_command_code("24LC16B"), 3);
  EXPECT_EQ(read_command_code("24FC256"), 4);
  EXPECT_EQ(read_command_code("24FC512"), 7);
  EXPECT_EQ(read_command_code("AT24"), 0);
  EXPECT_EQ(template_path(platform::to_native_path("/start"), "GSM Gate 4"),
            platform::to_native_path("/start/EEPROM Devices/GSM Gate 4.dtp"));
}

TEST(GetAddress, WindowVersionShowsLabelAndFlagsErrors) {
  platform::VirtualScheduler scheduler;
  AddressState state;
  GetAddress(scheduler, "$1A2B", state);
  EXPECT_EQ(scheduler.pump_count(), 1);
  EXPECT_FALSE(state.address_error);
  EXPECT_EQ(state.high, 0x1A);
  EXPECT_EQ(state.low, 0x2B);
  EXPECT_EQ(state.label, "H: $1A L: $2B");

  GetAddress(scheduler, "$ffe0", state);
  EXPECT_EQ(state.high, 0xFF);
  EXPECT_EQ(state.low, 0xE0);

  GetAddress(scheduler, "Error", state);
  EXPECT_TRUE(state.address_error);
  EXPECT_EQ(state.label, "H: Err L: Eor");
  // The flag is cleared by the next good split.
  GetAddress(scheduler, "$0040", state);
  EXPECT_FALSE(state.address_error);
  // Five digits would split into a wrong address.
  GetAddress(scheduler, "$1A2B3", state);
  EXPECT_TRUE(state.address_error);
  GetAddress(scheduler, "$1G2B", state);
  EXPECT_TRUE(state.address_error);
}

TEST(GetAddress, MainWindowVersionFailsWithConversionError) {
  std::uint8_t high = 0, low = 0;
  GetAddress("$0140", high, low);
  EXPECT_EQ(high, 0x01);
  EXPECT_EQ(low, 0x40);
  try {
    GetAddress("$1G2B", high, low);
    FAIL();
  } catch (const ConversionError& e) {
    EXPECT_STREQ(e.what(), "'$1G' is not a valid integer value");
  }
  EXPECT_THROW(GetAddress("$12", high, low), ConversionError);
  EXPECT_THROW(GetAddress("", high, low), ConversionError);
}

}  // namespace
}  // namespace tarvex::eeprom
