#include <gtest/gtest.h>

#include "device/function_file.h"
#include "platform/text_file.h"
#include "support/temp_folder.h"

namespace tarvex::device {
namespace {

using Functions = std::vector<FunctionEntry>;

TEST(FunctionFile, WrittenWithAFinalEmptyLineAndReadBack) {
  const FunctionFile file{
      "+27821234567", "1234", "Gate unit", {{"Arm", "A1"}, {"", ""}, {"Raw \xFE bytes", "X"}}};
  // A separator in a description would move text into the command.
  EXPECT_NE(function_file_problem(file), std::nullopt);
  FunctionFile sound = file;
  sound.functions[2] = {"Raw", "X\xFEY"};
  EXPECT_EQ(function_file_problem(sound), std::nullopt);
  const std::string text = function_file_text(sound);
  EXPECT_EQ(text,
            "+27821234567\r\n1234\r\nGate unit\r\nArm\xFE"
            "A1\r\n\xFE\r\nRaw\xFEX\xFEY\r\n\r\n");

  testing::TempFolder dir;
  dir.write("gate.fun", text);
  const FunctionFile back = read_function_file(dir.file("gate.fun"));
  EXPECT_EQ(back.unit_number, "+27821234567");
  EXPECT_EQ(back.password, "1234");
  EXPECT_EQ(back.description, "Gate unit");
  EXPECT_EQ(back.functions, sound.functions);
}

TEST(FunctionFile, OnlyLinesFromTheFourthWithASeparatorAreFunctions) {
  const Functions functions = parse_functions(
      {"+27\xFEnot", "12\xFE", "desc\xFE", "no separator", "Siren\xFE", "\xFE\xFE"});
  EXPECT_EQ(functions, (Functions{{"Siren", ""}, {"", "\xFE"}}));
  EXPECT_TRUE(parse_functions({"a\xFE"
                               "b"})
                  .empty());
}

TEST(FunctionFile, LineBreaksAnywhereAreRefused) {
  FunctionFile file{"+27821234567", "1234", "Gate", {{"Arm", "A1"}}};
  file.functions[0].command = "A1\r\nB";
  EXPECT_NE(function_file_problem(file), std::nullopt);
  file.functions[0].command = "A1";
  file.description = "two\nlines";
  EXPECT_NE(function_file_problem(file), std::nullopt);
}

}  // namespace
}  // namespace tarvex::device
