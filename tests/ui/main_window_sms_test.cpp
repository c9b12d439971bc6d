#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardItemModel>
#include <QTableView>

#include "app/event_log.h"
#include "platform/text_file.h"
#include "platform/virtual_scheduler.h"
#include "shell/main_window.h"
#include "support/scripted_ui.h"
#include "support/temp_folder.h"

namespace tarvex::app {
using shell::TForm1;
namespace {

// A start-up folder with settings files whose programming folder is relative.
class MainWindowSms : public ::testing::Test {
 protected:
  MainWindowSms() {
    dir.write("setup.txt", "Data\\Outbox\r\nDevices\r\nIncoming\r\n\r\n\r\n\r\n1\r\n");
    dir.write("Config.ini", "P\r\nS\r\nAP\r\nAS\r\n");
    dir.write("Hardware.ini", "K71 Morvane\r\n");
    dir.write("History.ini", "");
    form = std::make_unique<TForm1>(ui, scheduler, dir.path());
    form->Edit1->setText("+27821234567");
    form->Edit2->setText("1234");
  }
  std::string event_logged_last() const {
    const auto entries = read_event_log(dir.file("prpl.dat"));
    return entries.empty() ? std::string() : entries.back().event;
  }

  testing::TempFolder dir;
  testing::ScriptedUi ui;
  platform::VirtualScheduler scheduler;
  std::unique_ptr<TForm1> form;
};

TEST_F(MainWindowSms, ProgramViaSmsWritesLocksTheMenuForFiveSecondsAndLogs) {
  ASSERT_TRUE(ui.messages.empty()) << ui.messages[0];
  EXPECT_TRUE(form->action("ProgramasNewUnit1")->isVisible());
  EXPECT_TRUE(form->action("ProgramasOldUnit1")->isVisible());
  platform::StringGrid& grid = form->maingrid();
  grid.set_row_cells(1, {"Arm text", "12", "10", "1", "ABC", "Selected"});

  form->action("ProgramasNewUnit1")->trigger();
  EXPECT_EQ(dir.read("Data/Outbox/+27821234567_1.txt"), "+27821234567,7,P1234S12\"1ABC\"");
  EXPECT_EQ(grid.cell(5, 1), "Message is Programmed");
  EXPECT_EQ(ui.messages, std::vector<std::string>{"1 Messages have been programmed!"});
  EXPECT_EQ(event_logged_last(), "Programing: +27821234567");

  QAction* program_menu = form->action("Program1");
  EXPECT_FALSE(program_menu->isEnabled());
  scheduler.advance(4999);
  EXPECT_FALSE(program_menu->isEnabled());
  scheduler.advance(1);
  EXPECT_TRUE(program_menu->isEnabled());

  // The alternative entry frames with the alternative strings whatever the mode.
  grid.set_cell(5, 1, "Selected");
  form->action("ProgramasOldUnit1")->trigger();
  EXPECT_EQ(dir.read("Data/Outbox/+27821234567_1.txt"), "+27821234567,7,AP1234AS12\"1ABC\"");
}

TEST_F(MainWindowSms, RunThatStopsEarlyLeavesTheMenuEnabled) {
  form->Edit2->setText("123");
  form->action("ProgramasNewUnit1")->trigger();
  EXPECT_EQ(ui.messages, std::vector<std::string>{"Not a valid Password!"});
  EXPECT_TRUE(form->action("Program1")->isEnabled());
}

TEST_F(MainWindowSms, CommandListSendShowsItsStatusForFiveSeconds) {
  auto* model = static_cast<QStandardItemModel*>(form->ComboBoxPlus1->model());
  model->appendRow({new QStandardItem("1"), new QStandardItem("Arm"), new QStandardItem("A1")});
  const int arm_row = model->rowCount() - 1;
  form->command_tag_source = [] { return 42; };

  // Mode 0: refused, nothing written.
  form->Button1->click();
  EXPECT_EQ(form->Label6->text(), "No message was send");
  EXPECT_FALSE(platform::folder_exists(dir.file("Data/Outbox")));
  scheduler.advance(5000);
  EXPECT_EQ(form->Label6->text(), "    ");

  form->ComboBoxPlus1Change(arm_row);
  EXPECT_EQ(form->Label6->text(), "   ");
  form->RadioButton1->click();
  form->Button1->click();
  EXPECT_EQ(dir.read("Data/Outbox/+27821234567_42.txt"),
            "NONE\r\nReport:N\r\n+27821234567,7,P1234A1\r\n");
  EXPECT_EQ(form->Label6->text(), "P1234A1 send to: +27821234567");
  EXPECT_EQ(event_logged_last(), "Function: P1234A1 send to: +27821234567");
  scheduler.advance(4999);
  EXPECT_EQ(form->Label6->text(), "P1234A1 send to: +27821234567");
  scheduler.advance(1);
  EXPECT_EQ(form->Label6->text(), "    ");

  // The chosen command stays when the list is filled anew.
  model->removeRows(0, model->rowCount());
  form->RadioButton2->click();
  form->command_tag_source = [] { return 7; };
  form->Button1->click();
  EXPECT_EQ(dir.read("Data/Outbox/+27821234567_7.txt"),
            "NONE\r\nReport:N\r\n+27821234567,7,AP1234A1\r\n");
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(MainWindowSms, CommandListAndStatusShowWholeTexts) {
  auto* model = static_cast<QStandardItemModel*>(form->ComboBoxPlus1->model());
  model->appendRow({new QStandardItem("OUT1 OFF"), new QStandardItem("Switch output 1 off"),
                    new QStandardItem("OUT1 OFF")});
  form->command_tag_source = [] { return 3; };
  form->ComboBoxPlus1Change(model->rowCount() - 1);
  form->RadioButton1->click();
  form->Button1->click();
  const QString status = form->Label6->text();
  EXPECT_EQ(status, "P1234OUT1 OFF send to: +27821234567");
  EXPECT_LE(form->Label6->fontMetrics().horizontalAdvance(status), form->Label6->width());

  // The open list gives each description one line of its full width.
  form->show();
  form->ComboBoxPlus1->showPopup();
  auto* list = qobject_cast<QTableView*>(form->ComboBoxPlus1->view());
  ASSERT_NE(list, nullptr);
  EXPECT_FALSE(list->wordWrap());
  EXPECT_GE(list->columnWidth(1), list->fontMetrics().horizontalAdvance("Switch output 1 off"));
  EXPECT_GE(form->ComboBoxPlus1->maxVisibleItems(), 20);
  form->ComboBoxPlus1->hidePopup();
}

}  // namespace
}  // namespace tarvex::app
