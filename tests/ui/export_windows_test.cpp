#include <gtest/gtest.h>

#include <filesystem>

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTextEdit>
#include <QTimer>

#include "export/semicolon_table.h"
#include "export/ui/manual_window.h"
#include "export/ui/text_insert_window.h"
#include "incoming/ui/unit_log_window.h"
#include "outbound/ui/control_panel_window.h"
#include "platform/virtual_scheduler.h"
#include "shell/main_window.h"
#include "support/scripted_ui.h"
#include "support/temp_folder.h"

namespace tarvex::exporting {
namespace {

struct ExportWindowsTest : ::testing::Test {
  testing::TempFolder dir;
  testing::ScriptedUi ui;
  platform::VirtualScheduler scheduler;
  app::Session session{ui, scheduler, dir.path()};

  void write_settings() const {
    dir.write("setup.txt", "out\r\ndev\r\nin\r\nengine\r\nunit.msg\r\nfun\r\n1\r\n");
    dir.write("Hardware.ini", "Contactid\r\n");
    dir.write("History.ini", "");
    dir.write("Config.ini", "P\r\nS\r\nAP\r\nAS\r\n");
  }
};

TEST_F(ExportWindowsTest, MainWindowSavesItsTableAndOffersTheManualOnlyWhenThereIsOne) {
  write_settings();
  {
    shell::TForm1 form(ui, scheduler, dir.path());
    EXPECT_FALSE(form.action("ViewKVProgrammerManual1")->isVisible());
    ASSERT_TRUE(form.action("SaveAsExcelFile1")->isVisible());
    form.Edit1->setText("+27821234567");
    form.maingrid().set_row_cells(1, {"Arm", "20", "20", "", "System armed", "Selected"});
    ui.dialog_answers.push_back(dir.file("table.xls"));
    form.action("SaveAsExcelFile1")->trigger();
    EXPECT_EQ(ui.file_dialogs.at(0).proposed_name, dir.file("+27821234567.xls"));
    EXPECT_EQ(dir.read("table.xls"),
              "Message Description;Prog Code;Prog Len;Flags;Text Message;Selected/Unselected\r\n"
              "Arm;20;20;;System armed;Selected\r\n\r\n");
  }
  dir.write("Manual.rtf", "{\\rtf1 Manual}");
  shell::TForm1 form(ui, scheduler, dir.path());
  EXPECT_TRUE(form.action("ViewKVProgrammerManual1")->isVisible());
}

TEST_F(ExportWindowsTest, ControlPanelAndUnitLogSaveTheirListsUnderTheirUnitNumbers) {
  write_settings();
  shell::TForm1 form(ui, scheduler, dir.path());
  outbound::TForm8 panel(form, form.email(), &form);
  incoming::TForm6 log(form, &form);
  panel.Edit1->setText("+27731112222");
  log.Edit1->clear();
  ui.dialog_answers = {dir.file("panel.xls"), dir.file("log.xls")};
  for (QWidget* window : {static_cast<QWidget*>(&panel), static_cast<QWidget*>(&log)}) {
    auto* entry = window->findChild<QAction*>("SaveAsExcelFile1");
    ASSERT_TRUE(entry && entry->isVisible());
    entry->trigger();
  }
  EXPECT_EQ(ui.modal_windows, std::vector<std::string>{"TForm11"});
  ASSERT_EQ(ui.file_dialogs.size(), 2u);
  EXPECT_EQ(ui.file_dialogs[0].proposed_name, dir.file("+27731112222.xls"));
  EXPECT_EQ(ui.file_dialogs[1].proposed_name, dir.file(".xls"));
  EXPECT_TRUE(platform::file_exists(dir.file("panel.xls")));
  EXPECT_EQ(dir.read("log.xls").rfind("Unit Number;Received Date;", 0), 0u);
}

TEST_F(ExportWindowsTest, TextInsertIsModalWithoutCloseBoxAndOffersItsTextAgain) {
  TForm11 window(session);
  EXPECT_EQ(window.windowTitle(), "Text Insert");
  EXPECT_FALSE(window.windowFlags() & Qt::WindowCloseButtonHint);
  EXPECT_EQ(window.Edit1->accessibleName(), "Text to insert before function character:");
  EXPECT_TRUE(window.Edit1->text().isEmpty());

  // The program shows it modally; the operator types and presses "Insert",
  // the second time only Enter.
  std::vector<QString> offered;
  int presses = 0;
  ui.on_modal = [&](const std::string& name) {
    EXPECT_EQ(name, "TForm11");
    QTimer::singleShot(0, [&] {
      ASSERT_EQ(QApplication::activeModalWidget(), &window);
      offered.push_back(window.Edit1->text());
      if (presses++ == 0) {
        QTest::keyClicks(window.Edit1, "xy");
        QTest::mouseClick(window.Button1, Qt::LeftButton);
      } else {
        QTest::keyClick(window.Edit1, Qt::Key_Return);
      }
    });
    return window.exec();
  };
  platform::StringGrid functions(2, 2);
  functions.set_row_cells(0, {"Function Description", "Function Char"});
  functions.set_row_cells(1, {"D", "A"});
  for (const char* name : {"1.xls", "2.xls"}) {
    ui.dialog_answers.push_back(dir.file(name));
    EXPECT_TRUE(export_function_list(session, functions, "+27"));
    EXPECT_EQ(dir.read(name), "Function Description;Function Char\r\nD;xyA\r\n\r\n");
  }
  EXPECT_EQ(offered, (std::vector<QString>{"", "xy"}));
}

TEST_F(ExportWindowsTest, ManualViewerShowsTheManualReadOnlyAndFollowsItsSize) {
  std::filesystem::copy_file(TARVEX_SOURCE_DIR "/demo/Manual.rtf", dir.file("Manual.rtf"));
  TForm15 window(session);
  window.show_manual();
  EXPECT_TRUE(window.isVisible());
  EXPECT_FALSE(window.isModal());
  EXPECT_EQ(window.windowTitle(), "Dralmora Manual");
  EXPECT_TRUE(window.RichEdit1->isReadOnly());
  EXPECT_TRUE(window.RichEdit1->toPlainText().contains("Opening a device"));
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_EQ(window.size(), QSize(798, 598));
  EXPECT_EQ(window.RichEdit1->size(), QSize(774, 508));
  EXPECT_EQ(window.Button1->pos(), QPoint(362, 528));
  window.resize(901, 700);
  EXPECT_EQ(window.RichEdit1->size(), QSize(877, 610));
  EXPECT_EQ(window.Button1->pos(), QPoint(413, 630));
  QTest::mouseClick(window.Button1, Qt::LeftButton);
  EXPECT_FALSE(window.isVisible());

  // Without the manual the window still opens, empty, and says why.
  std::filesystem::remove(dir.file("Manual.rtf"));
  window.show_manual();
  EXPECT_TRUE(window.isVisible());
  EXPECT_TRUE(window.RichEdit1->toPlainText().isEmpty());
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_NE(ui.messages[0].find("Manual.rtf"), std::string::npos);
}

}  // namespace
}  // namespace tarvex::exporting
