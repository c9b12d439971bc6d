#include "app/ui/main_window.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QTableView>

#include "platform/virtual_scheduler.h"
#include "support/scripted_ui.h"
#include "support/temp_folder.h"

namespace tarvex::app {
namespace {

using testing::ScriptedUi;
using testing::TempFolder;

void write_settings(const TempFolder& dir, const std::string& history) {
  dir.write("setup.txt", "out\r\ndev\r\nin\r\nengine\r\nunit.msg\r\nfun\r\n2\r\n");
  dir.write("Hardware.ini", "K71 Morvane\r\n\r\nContactid\r\n");
  dir.write("History.ini", history);
  dir.write("Config.ini", "P\r\nS\r\nAP\r\nAS\r\n");
}

struct MainWindowTest : ::testing::Test {
  TempFolder dir;
  ScriptedUi ui;
  platform::VirtualScheduler scheduler;
};

TEST_F(MainWindowTest, StartsWithCaptionNamedControlsAndModeZero) {
  write_settings(dir, "");
  TForm1 form(ui, scheduler, dir.path());
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_EQ(form.windowTitle(), "Tarvex Programmer Ver1.02 Master");
  EXPECT_EQ(form.findChild<QLineEdit*>("Edit1")->text(), "+27");
  EXPECT_EQ(form.findChild<QLineEdit*>("Edit2")->maxLength(), 4);
  EXPECT_TRUE(form.findChild<QRadioButton*>("RadioButton1")->isChecked());
  EXPECT_EQ(form.session().programming_mode, 0);
  form.findChild<QRadioButton*>("RadioButton2")->click();
  EXPECT_EQ(form.session().programming_mode, 2);
  form.findChild<QRadioButton*>("RadioButton1")->click();
  EXPECT_EQ(form.session().programming_mode, 1);

  EXPECT_EQ(form.maingrid().cell(4, 0), "Text Message");
  EXPECT_EQ(form.maingrid().cell(2, 1), "0");
  EXPECT_EQ(form.maingrid().cell(5, 1), "Unselected");
  EXPECT_EQ(form.incoming_grid().cell(3, 0), "Message");
  // Design widths when setup.txt has only seven lines.
  EXPECT_EQ(form.maingrid().column_width(0), 167);
  EXPECT_EQ(form.maingrid().column_width(4), 236);

  auto* hardware = form.findChild<QComboBox*>("ComboBox1");
  ASSERT_EQ(hardware->count(), 3);
  EXPECT_EQ(hardware->itemText(1), "");
  EXPECT_EQ(hardware->currentIndex(), -1);
  EXPECT_EQ(form.action("SetupEepromProgrammerInbox1")->text(), "EEPROM Prog Com Port: Com2");
  EXPECT_EQ(form.action("SetupIncommingMessagePath1")->text(), "Incomming Messages Dir: in");
  EXPECT_FALSE(form.action("ReceiveMessages1")->isEnabled());
  EXPECT_TRUE(form.timer(1).enabled());
  EXPECT_TRUE(form.timer(3).enabled());
  EXPECT_FALSE(form.timer(2).enabled());
  // Every history entry and its separator are hidden with an empty History.ini.
  for (const char* name : {"Hist1", "Hist2", "Hist3", "Hist4", "HistorySeparator"})
    EXPECT_FALSE(form.action(name)->isVisible()) << name;
}

TEST_F(MainWindowTest, HistoryFileOfTwoLinesShowsTwoEntries) {
  write_settings(dir, "/d/a.dev\r\n/d/b.dev\r\n");
  TForm1 form(ui, scheduler, dir.path());
  EXPECT_TRUE(form.action("Hist1")->isVisible());
  EXPECT_TRUE(form.action("Hist2")->isVisible());
  EXPECT_FALSE(form.action("Hist3")->isVisible());
  EXPECT_TRUE(form.action("HistorySeparator")->isVisible());
  EXPECT_EQ(form.action("Hist2")->text(), "&2 /d/b.dev");
}

TEST_F(MainWindowTest, SetupEntryPausesThePollAndRestartsItOnlyWhileReceiving) {
  write_settings(dir, "");
  TForm1 form(ui, scheduler, dir.path());
  std::vector<bool> poll_during_dialog;
  ui.on_dialog = [&] { poll_during_dialog.push_back(form.timer(3).enabled()); };
  ui.dialog_answers.push_back(dir.file("Outbox"));
  form.action("SetupProgrammerPath1")->trigger();
  EXPECT_EQ(form.action("SetupProgrammerPath1")->text().toStdString(),
            "Programming Dir: " + dir.file("Outbox"));
  EXPECT_EQ(form.session().settings.programming_folder, dir.file("Outbox"));
  EXPECT_TRUE(form.timer(3).enabled());

  // Receiving off: the poll stays off after a Setup dialog, cancelled or not.
  form.set_receiving(false);
  form.action("SetupDevicePath1")->trigger();
  EXPECT_FALSE(form.timer(3).enabled());
  EXPECT_EQ(poll_during_dialog, (std::vector<bool>{false, false}));
}

TEST_F(MainWindowTest, MissingSettingsAreReportedAndTheWindowStillComesUp) {
  TForm1 form(ui, scheduler, dir.path());
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_NE(ui.messages[0].find("setup.txt"), std::string::npos);
  EXPECT_EQ(form.findChild<QComboBox*>("ComboBox1")->count(), 0);
  EXPECT_EQ(form.session().programming_mode, 0);
}

TEST_F(MainWindowTest, SaveFormSettingsWritesTwelveLinesAndCheckBoxHidesTheIncomingGrid) {
  write_settings(dir, "");
  TForm1 form(ui, scheduler, dir.path());
  form.maingrid().set_column_width(1, 99);
  form.action("SaveFormSettings1")->trigger();
  EXPECT_EQ(
      dir.read("setup.txt"),
      "out\r\ndev\r\nin\r\nengine\r\nunit.msg\r\nfun\r\n2\r\n167\r\n99\r\n137\r\n107\r\n236\r\n");

  form.resize(1000, 700);
  auto* check = form.findChild<QCheckBox*>("CheckBox1");
  auto* incoming = form.findChild<QTableView*>("StringGrid2");
  auto* table = form.findChild<QTableView*>("maingrid1");
  check->click();
  EXPECT_FALSE(check->isChecked());
  EXPECT_TRUE(incoming->isHidden());
  EXPECT_EQ(table->y(), 88);
  check->click();
  EXPECT_FALSE(incoming->isHidden());

  // Timer1 makes the last column fill the table.
  scheduler.advance(100);
  int used = 0;
  for (int c = 0; c < 5; ++c) used += form.maingrid().column_width(c);
  EXPECT_EQ(form.maingrid().column_width(5), table->width() - used - 30);
}

TEST_F(MainWindowTest, OpenModemEngineStartsTheConfiguredProgramInTheStartUpFolder) {
  write_settings(dir, "");
  TForm1 form(ui, scheduler, dir.path());
  form.action("OpenModemEngineApplication1")->trigger();
  ASSERT_EQ(ui.shell_opened.size(), 1u);
  EXPECT_EQ(ui.shell_opened[0].first, "engine");
  EXPECT_EQ(ui.shell_opened[0].second, dir.path());
  EXPECT_TRUE(ui.messages.empty());
}

}  // namespace
}  // namespace tarvex::app
