#include "device/device_files.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "app/event_log.h"
#include "device/device_fixture.h"
#include "device/message_table.h"
#include "platform/text_file.h"
#include "support/blocked_rewrite.h"

namespace tarvex::device {
namespace {

using platform::Answer;

class DeviceFilesTest : public ::testing::Test, public DeviceFixture {
 protected:
  std::string devices() const { return dir.file("Devices"); }
  std::string functions() const { return dir.file("Functions"); }
  std::string device_path(const std::string& name) const { return devices() + "/" + name; }
  void write_device(const std::string& name, const std::string& bytes) {
    dir.write("Devices/" + name, bytes);
  }
  std::vector<std::string> log_events() const {
    std::vector<std::string> events;
    try {
      for (const auto& e : app::read_event_log(session.start_file(app::kEventLogFile)))
        events.push_back(e.event);
    } catch (const std::exception&) {
    }
    return events;
  }
  void answer_dialog(const std::optional<std::string>& path) { ui.dialog_answers.push_back(path); }

  static constexpr const char* kGate =
      "Arm\xFE"
      "A1\xFE"
      "4\xFE\xFE"
      "1234\xFE\r\n"
      "Zones\xFE"
      "Z1\xFE"
      "8\xFE\xFE"
      "1010\xFE\r\n"
      "+27821234567\r\n"
      "4321\r\n"
      "00000Gate\r\n"
      "\xFD"
      "K71 Morvane\r\n"
      "\xFC"
      "2\r\n"
      "\xFB"
      "Gate.fun\r\n"
      "\r\n";
};

TEST_F(DeviceFilesTest, SaveAsksForFunctionFileAndWritesTheDevice) {
  rows({{"Arm", "A1", "4", "", "1234", "Selected"}});
  device.unit_number = "27821234567";
  device.password = "";
  device.modified = true;
  session.programming_mode = 1;
  dir.write("Functions/Sub/Gate.fun", "x\r\n");
  answer_dialog(functions() + "/Sub/Gate.fun");
  answer_dialog(device_path("gate.dev"));

  auto saved = save_device(context, DeviceFileKind::Device);
  ASSERT_TRUE(saved);
  EXPECT_EQ(ui.messages,
            (std::vector<std::string>{
                "No Programmers Password supplied. Will insert \"9473\" as the password",
                "No hardware type will be saved"}));
  ASSERT_EQ(ui.file_dialogs.size(), 2u);
  EXPECT_EQ(ui.file_dialogs[0].title, "Please select a function file to save in the device file");
  EXPECT_EQ(ui.file_dialogs[0].folder, functions());
  EXPECT_EQ(ui.file_dialogs[0].filter, "");
  const auto& save = ui.file_dialogs[1];
  EXPECT_EQ(save.folder, devices());
  EXPECT_EQ(save.filter, "Device File|*.dev|Default Device Files|*.dft");
  EXPECT_EQ(save.filter_index, 1);
  EXPECT_EQ(save.default_ext, "dev");
  EXPECT_EQ(save.proposed_name, "+27821234567");

  EXPECT_EQ(device.function_file, "Sub/Gate.fun");
  EXPECT_EQ(device.password, "");  // the box keeps its text
  EXPECT_FALSE(device.modified);
  EXPECT_EQ(saved->caption, "Tarvex Programmer Ver1.02 Master  gate.dev");
  EXPECT_EQ(dir.read("Devices/gate.dev"),
            "Arm\xFE"
            "A1\xFE"
            "4\xFE\xFE"
            "1234\xFE\r\n+27821234567\r\n9473\r\n00000\r\n\xFD\r\n\xFC"
            "1\r\n\xFB"
            "Sub/Gate.fun\r\n\r\n");
  EXPECT_EQ(log_events(), std::vector<std::string>{"Saving File: " + device_path("gate.dev")});
}

TEST_F(DeviceFilesTest, SaveDefaultCancelledWritesNothingButKeepsTheFunctionChoice) {
  device.hardware_type = "Contactid";
  device.password = "1234";
  device.modified = true;
  answer_dialog(functions() + "/A.fun");
  answer_dialog(std::nullopt);
  EXPECT_FALSE(save_device(context, DeviceFileKind::Default));
  EXPECT_EQ(ui.file_dialogs[1].filter_index, 2);
  EXPECT_EQ(ui.file_dialogs[1].default_ext, "dft");
  EXPECT_EQ(device.function_file, "A.fun");
  EXPECT_TRUE(device.modified);
  EXPECT_TRUE(std::filesystem::is_directory(devices()));  // created with its parents
  EXPECT_TRUE(log_events().empty());
}

TEST_F(DeviceFilesTest, FailedSaveKeepsTheOldFileWhole) {
  write_device("keep.dev", kGate);
  device.function_file = "Gate.fun";
  device.password = "1111";
  device.hardware_type = "Contactid";
  device.modified = true;
  answer_dialog(device_path("keep.dev"));
  {
    const testing::BlockedRewrite blocked(device_path("keep.dev"));
    EXPECT_FALSE(save_device(context, DeviceFileKind::Device));
  }
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_NE(ui.messages[0].find("keep.dev"), std::string::npos);
  EXPECT_EQ(dir.read("Devices/keep.dev"), kGate);
  EXPECT_TRUE(device.modified);
}

TEST_F(DeviceFilesTest, OpenReadsTheDeviceAndUpdatesHistory) {
  write_device("gate.dev", kGate);
  dir.write("History.ini", "/x/one.dev\r\n\r\n/x/three.dev\r\n/x/four.dev\r\n");
  rows({{"old", "", "", "", "", ""}, {"old2", "", "", "", "", ""}, {"old3", "", "", "", "", ""}});
  device.modified = false;
  answer_dialog(device_path("gate.dev"));

  const OpenResult result = open_device(context, DeviceFileKind::Device);
  ASSERT_TRUE(result.opened);
  EXPECT_TRUE(result.reload_commands);
  const auto& open = ui.file_dialogs[0];
  EXPECT_EQ(open.filter, "Device Files|*.dev|Default Device Files|*.dft");
  EXPECT_EQ(open.filter_index, 1);
  EXPECT_EQ(open.default_ext, "dev");
  EXPECT_EQ(open.folder, devices());

  EXPECT_EQ(device.unit_number, "+27821234567");
  EXPECT_EQ(device.password, "4321");
  EXPECT_EQ(device.description, "Gate");
  EXPECT_EQ(device.hardware_type, "K71 Morvane");
  EXPECT_EQ(device.function_file, "Gate.fun");
  EXPECT_EQ(session.programming_mode, 2);
  ASSERT_EQ(table.row_count(), 3);
  EXPECT_EQ(row_of(table, 2), (MessageRow{"Zones", "Z1", "8", "", "1010", "Unselected"}));
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_EQ(result.caption, "Tarvex Programmer Ver1.02 Master  gate.dev");
  EXPECT_EQ(log_events(), std::vector<std::string>{"Opening File: " + device_path("gate.dev")});

  // The new path first, then old lines 1 and 3; old line 4 is dropped.
  EXPECT_EQ(dir.read("History.ini"),
            device_path("gate.dev") + "\r\n/x/one.dev\r\n/x/three.dev\r\n");
  EXPECT_EQ(result.history[0], device_path("gate.dev"));
  EXPECT_EQ(result.history[1], "/x/one.dev");
  EXPECT_FALSE(result.history[2]);  // old line 2 was empty: entry keeps its caption
  EXPECT_EQ(result.history[3], "/x/three.dev");
}

TEST_F(DeviceFilesTest, OpeningTheSameFileTwiceListsItTwice) {
  write_device("a.dev", kGate);
  answer_dialog(device_path("a.dev"));
  answer_dialog(device_path("a.dev"));
  open_device(context, DeviceFileKind::Device);
  open_device(context, DeviceFileKind::Device);
  EXPECT_EQ(platform::read_lines(dir.file("History.ini")),
            (std::vector<std::string>{device_path("a.dev"), device_path("a.dev")}));
}

TEST_F(DeviceFilesTest, OpenWithoutModeOrKnownTypeWarnsInItsOrder) {
  write_device("bare.dft",
               "+2711\r\n\xFD"
               "Nobody\r\n");
  device.hardware_type = "Contactid";
  rows({{"old", "1", "2", "3", "4", "Selected"}, {"old2", "", "", "", "", ""}});
  // The window shows the opened device before the warnings, whichever way
  // it was opened.
  std::vector<std::size_t> warnings_before_shown;
  std::vector<std::string> captions;
  context.opened = [&](const OpenResult& opened) {
    captions.push_back(opened.caption);
    warnings_before_shown.push_back(ui.messages.size());
  };
  answer_dialog(device_path("bare.dft"));
  const OpenResult result = open_device(context, DeviceFileKind::Default);
  ASSERT_TRUE(result.opened);
  EXPECT_EQ(ui.file_dialogs[0].filter_index, 2);
  EXPECT_EQ(ui.file_dialogs[0].default_ext, "dft");
  const std::vector<std::string> warnings{"No programming mode defined, Tarvex Mode is selected",
                                          "No hardware type was selected"};
  EXPECT_EQ(ui.messages, warnings);
  ui.messages.clear();
  answer_dialog(device_path("bare.dft"));
  ASSERT_TRUE(open_device(context, DeviceFileKind::Device).opened);
  EXPECT_EQ(ui.messages, warnings);
  ui.messages.clear();
  ASSERT_TRUE(open_history_entry(context, device_path("bare.dft")));  // no caption change
  EXPECT_EQ(ui.messages, warnings);
  EXPECT_EQ(warnings_before_shown, (std::vector<std::size_t>{0, 0, 0}));
  const std::string caption = session.base_caption + "  bare.dft";
  EXPECT_EQ(captions, (std::vector<std::string>{caption, caption, ""}));
  EXPECT_EQ(session.programming_mode, 1);
  EXPECT_EQ(device.hardware_type, "Contactid");
  // No row lines: one empty data row is left.
  ASSERT_EQ(table.row_count(), 2);
  EXPECT_EQ(row_of(table, 1), MessageRow{});
}

TEST_F(DeviceFilesTest, UnreadableFileChangesNothing) {
  rows({{"keep", "1", "2", "3", "4", "Selected"}});
  device.description = "mine";
  session.programming_mode = 2;
  answer_dialog(device_path("missing.dev"));
  const OpenResult result = open_device(context, DeviceFileKind::Device);
  EXPECT_FALSE(result.opened);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_NE(ui.messages[0].find("missing.dev"), std::string::npos);
  EXPECT_EQ(cell(0, 1), "keep");
  EXPECT_EQ(device.description, "mine");
  EXPECT_EQ(session.programming_mode, 2);
  EXPECT_FALSE(platform::file_exists(dir.file("History.ini")));
}

TEST_F(DeviceFilesTest, AFileFarLargerThanAnyDeviceFileIsRefusedUnread) {
  rows({{"keep", "", "", "", "", ""}});
  const std::string huge = device_path("huge.dev");
  write_device("huge.dev", "");
  std::filesystem::resize_file(huge, (std::uintmax_t{64} << 20) + 1);  // sparse: no disk used
  answer_dialog(huge);
  EXPECT_FALSE(open_device(context, DeviceFileKind::Device).opened);
  EXPECT_FALSE(open_history_entry(context, huge));
  answer_dialog(huge);
  EXPECT_FALSE(import_tab_delimited_file(session, table));
  const std::string refusal = "Cannot read file \"" + huge +
                              "\". It is larger than 64 MB, far larger than any file of its kind.";
  EXPECT_EQ(ui.messages, std::vector<std::string>(3, refusal));
  EXPECT_EQ(cell(0, 1), "keep");
}

TEST_F(DeviceFilesTest, CancelledOpenDefaultStillRebuildsTheCommandList) {
  answer_dialog(std::nullopt);
  EXPECT_TRUE(open_device(context, DeviceFileKind::Default).reload_commands);
  answer_dialog(std::nullopt);
  EXPECT_FALSE(open_device(context, DeviceFileKind::Device).reload_commands);
}

TEST_F(DeviceFilesTest, UnsavedChangesQuestionYesSavesAndStopsTheRequest) {
  device.modified = true;
  device.password = "1234";
  device.hardware_type = "Contactid";
  device.function_file = "A.fun";
  device.unit_number = "+2799";
  rows({{"mine", "", "", "", "", ""}});
  ui.answers = {Answer::Yes};
  answer_dialog(device_path("saved.dev"));
  EXPECT_FALSE(new_device(context));
  EXPECT_EQ(ui.questions, std::vector<std::string>{
                              "Changes was made to the device do you want to save the changes?"});
  EXPECT_TRUE(platform::file_exists(device_path("saved.dev")));
  EXPECT_EQ(device.unit_number, "+2799");  // not renewed
  EXPECT_EQ(cell(0, 1), "mine");
  EXPECT_FALSE(device.modified);

  // Cancel stops; No carries on.
  device.modified = true;
  ui.answers = {Answer::Cancel};
  EXPECT_FALSE(new_device(context));
  EXPECT_EQ(cell(0, 1), "mine");
  ui.answers = {Answer::No};
  EXPECT_TRUE(new_device(context));
  EXPECT_EQ(cell(0, 1), "");
}

TEST_F(DeviceFilesTest, NewResetsFieldsButKeepsTypeModeAndFunctionFile) {
  rows({{"a", "1", "2", "3", "4", "Selected"}, {"b", "", "", "", "", ""}});
  device = Device{"+2755", "", "desc", "Contactid", "F.fun", false};
  session.programming_mode = 2;
  ASSERT_TRUE(new_device(context));
  ASSERT_EQ(table.row_count(), 2);
  EXPECT_EQ(row_of(table, 1), (MessageRow{"", "", "", "", "", "Unselected"}));
  EXPECT_EQ(device.unit_number, "+27");
  EXPECT_EQ(device.password, "9473");
  EXPECT_EQ(device.description, "");
  EXPECT_EQ(device.hardware_type, "Contactid");
  EXPECT_EQ(device.function_file, "F.fun");
  EXPECT_EQ(session.programming_mode, 2);
  EXPECT_TRUE(ui.questions.empty());
}

TEST_F(DeviceFilesTest, HistoryEntryReadsOverTheTableWithoutTouchingHistory) {
  write_device("gate.dev", kGate);
  dir.write("History.ini", "/x/one.dev\r\n");
  rows({{"r1", "", "", "", "", ""},
        {"r2", "", "", "", "", ""},
        {"r3", "", "", "", "", ""},
        {"r4", "", "", "", "", ""}});
  ASSERT_TRUE(open_history_entry(context, device_path("gate.dev")));
  EXPECT_EQ(table.row_count(), 3);  // set by the row lines read
  EXPECT_EQ(cell(0, 1), "Arm");
  EXPECT_EQ(dir.read("History.ini"), "/x/one.dev\r\n");
  EXPECT_EQ(log_events(), std::vector<std::string>{"Opening File: " + device_path("gate.dev")});

  // A file without row lines leaves the rows as they were.
  write_device("norows.dev",
               "+2712\r\n\xFC"
               "1\r\n\xFD"
               "Contactid\r\n");
  ASSERT_TRUE(open_history_entry(context, device_path("norows.dev")));
  EXPECT_EQ(table.row_count(), 3);
  EXPECT_EQ(cell(0, 2), "Zones");
  EXPECT_EQ(device.function_file, "");
}

TEST_F(DeviceFilesTest, CommandListSkipsThreeLinesAndSplitsAtTheFirstSeparator) {
  dir.write("Functions/Gate.fun",
            "+2782\r\n1234\r\nGate\xFE"
            "ignored\r\nOpen gate\xFE"
            "OPEN\r\nno separator\r\nStatus\xFE"
            "ST\xFE"
            "X\r\n\xFE\r\n\r\n");
  device.function_file = "Gate.fun";
  const CommandList list = load_command_list(context, open_device_commands());
  EXPECT_EQ(list.heading, "Description" + std::string(53, ' '));
  EXPECT_FALSE(list.blank_row);
  ASSERT_EQ(list.entries.size(), 3u);
  EXPECT_EQ(list.entries[0].description, "Open gate");
  EXPECT_EQ(list.entries[0].command, "OPEN");
  EXPECT_EQ(list.entries[1].command,
            "ST\xFE"
            "X");
  EXPECT_EQ(list.entries[2].description, "");
  EXPECT_EQ(open_default_commands().heading.size(), 90u);
}

TEST_F(DeviceFilesTest, MissingFunctionFileClearsTheNameAndShowsTheMessage) {
  device.function_file = "Gone.fun";
  const CommandList list = load_command_list(context, open_default_commands());
  EXPECT_EQ(ui.messages, std::vector<std::string>{"Unable to load commands"});
  EXPECT_EQ(list.heading, "Description");
  EXPECT_TRUE(list.blank_row);
  EXPECT_TRUE(list.entries.empty());
  EXPECT_EQ(device.function_file, "");

  // No function file: the heading alone, no message.
  ui.messages.clear();
  const CommandList empty = load_command_list(context, open_device_commands());
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_FALSE(empty.blank_row);
}

TEST_F(DeviceFilesTest, FoldersMayBeAbsoluteAndPathsOutsideKeepTheirName) {
  session.settings.device_folder = dir.file("Other");
  EXPECT_EQ(device_folder(session), dir.file("Other"));
  EXPECT_EQ(device_caption(session, "/elsewhere/x.dev"),
            "Tarvex Programmer Ver1.02 Master  /elsewhere/x.dev");
  EXPECT_EQ(function_file_path(session, "Sub\\A.fun"),
            platform::join_path(functions(), platform::to_native_path("Sub/A.fun")));
}

}  // namespace
}  // namespace tarvex::device
