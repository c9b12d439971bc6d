#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>

#include "eeprom/eeprom_template.h"
#include "eeprom/ui/com_port_window.h"
#include "eeprom/ui/map_file_window.h"
#include "platform/virtual_scheduler.h"
#include "qt/qt_ui.h"
#include "shell/main_window.h"
#include "shell/windows.h"
#include "support/scripted_ui.h"
#include "support/temp_folder.h"

namespace tarvex::eeprom {
namespace {

const char* kSetup =
    "Out\r\nDev\r\nIn\r\nme\r\nlog.msg\r\nFun\r\n3\r\n167\r\n107\r\n137\r\n107\r\n236\r\n";

struct Windows : ::testing::Test {
  Windows() {
    dir.write("setup.txt", kSetup);
    dir.write("Hardware.ini", "K71 Morvane\r\n");
    dir.write("History.ini", "");
    dir.write("Config.ini", "a\r\nb\r\nc\r\nd\r\n");
    main = std::make_unique<shell::TForm1>(ui, scheduler, dir.path());
  }
  testing::TempFolder dir;
  testing::ScriptedUi ui;
  platform::VirtualScheduler scheduler;
  std::unique_ptr<shell::TForm1> main;
};

TEST_F(Windows, MapFileGeneratorControlsDefaultsAndCreate) {
  TForm23 form(*main, main.get());
  EXPECT_EQ(form.windowTitle(), "EEPROM Map File Generator");
  auto* type = form.findChild<QComboBox*>("ComboBox1");
  ASSERT_NE(type, nullptr);
  EXPECT_EQ(type->count(), 3);
  EXPECT_EQ(type->itemText(2), "24FC512");
  EXPECT_EQ(type->currentText(), "");
  auto* terminator = form.findChild<QSpinBox*>("SpinEdit1");
  EXPECT_EQ(terminator->value(), 1);
  EXPECT_EQ(terminator->maximum(), 255);
  for (const char* name :
       {"SpinEdit2", "SpinEdit3", "SpinEdit4", "SpinEdit5", "SpinEdit6", "SpinEdit7"}) {
    auto* box = form.findChild<QSpinBox*>(name);
    ASSERT_NE(box, nullptr) << name;
    EXPECT_EQ(box->value(), 1);
    EXPECT_EQ(box->minimum(), 1);
    EXPECT_EQ(box->maximum(), 9999);
  }
  for (const char* name : {"Edit1", "Edit3", "Edit5"})
    EXPECT_EQ(form.findChild<QLineEdit*>(name)->text(), "00");
  for (const char* name : {"Edit2", "Edit4", "Edit6"})
    EXPECT_EQ(form.findChild<QLineEdit*>(name)->text(), "0000");
  EXPECT_EQ(form.findChild<QPushButton*>("Button1")->text(), "......");
  auto* create = form.findChild<QPushButton*>("Button2");
  EXPECT_EQ(create->text(), "Create");

  form.show();
  EXPECT_FALSE(create->isEnabled());
  EXPECT_EQ(form.Label3->text(), "File Name: ");

  // Cancelling the save dialog changes nothing.
  ui.dialog_answers.push_back(std::nullopt);
  form.Button1->click();
  EXPECT_FALSE(create->isEnabled());
  ASSERT_EQ(ui.file_dialogs.size(), 1u);
  EXPECT_EQ(ui.file_dialogs[0].filter, "EEPROM Map Files|*.dtp");
  EXPECT_EQ(ui.file_dialogs[0].default_ext, "dtp");
  EXPECT_EQ(ui.file_dialogs[0].folder, dir.path());
  EXPECT_EQ(ui.file_dialogs[0].proposed_name, "");

  const std::string path = dir.file("K71 Morvane.dtp");
  ui.dialog_answers.push_back(path);
  form.Button1->click();
  EXPECT_TRUE(create->isEnabled());
  EXPECT_EQ(form.Label3->text().toStdString(), "File Name: " + path);

  type->setEditText("24FC256");
  form.Edit1->setText("A0");
  form.CheckBox1->setChecked(true);
  form.Edit2->setText("0100");
  form.SpinEdit2->setValue(3);
  form.SpinEdit5->setValue(64);
  form.CheckBox5->setChecked(true);
  form.Edit5->setText("9");
  form.Edit6->setText("0800");
  form.SpinEdit4->setValue(2);
  form.SpinEdit1->setValue(35);
  create->click();
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_TRUE(form.isVisible());  // the window stays open
  EXPECT_EQ(dir.read("K71 Morvane.dtp"),
            "24FC256\r\n#\r\n$0100\r\nA0\r\n$0140\r\nA1\r\n$0180\r\nA2\r\n$0800\r\n9\r\n$0801\r\n"
            "10\r\n");

  form.Edit2->setText("01G0");
  create->click();
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0], "'01G0' is not a valid integer value");
  EXPECT_TRUE(load_template(path).find("A2"));  // the good file is still there

  // Showing the window again asks for a file again.
  form.hide();
  form.show();
  EXPECT_FALSE(create->isEnabled());
  EXPECT_EQ(form.Label3->text(), "File Name: ");
}

TEST_F(Windows, MapFileGeneratorTypedNamesAndEnter) {
  TForm23 form(*main, main.get());
  form.show();
  QLineEdit* typed = form.ComboBox1->lineEdit();
  QTest::keyClicks(typed, "24lc16b");
  QTest::keyClick(typed, Qt::Key_Return);
  EXPECT_EQ(form.ComboBox1->count(), 3);  // the list keeps its three types
  EXPECT_EQ(form.ComboBox1->currentText(), "24lc16b");
  EXPECT_TRUE(ui.file_dialogs.empty());  // Enter opens no save dialog

  ui.dialog_answers.push_back(dir.file("typed.dtp"));
  form.Button1->click();
  QTest::keyClick(form.Edit1, Qt::Key_Return);
  EXPECT_EQ(dir.read("typed.dtp"), "24lc16b\r\n\x01\r\n$0000\r\n00\r\n");
  EXPECT_TRUE(form.isVisible());
}

TEST_F(Windows, OptionsEntryOpensTheGenerator) {
  QAction* entry = main->action("CreateEEPROMMapFile1");
  EXPECT_TRUE(entry->isVisible());
  EXPECT_EQ(entry->text().remove('&'), "Create EEPROM  Map File");
  entry->trigger();
  EXPECT_EQ(ui.modal_windows, std::vector<std::string>{"TForm23"});
}

TEST_F(Windows, ComPortSetupMarksAppliesAndRewritesLineSeven) {
  TForm17 form(*main, main.get());
  EXPECT_EQ(form.windowTitle(), "COM Port Setup");
  for (int n = 1; n <= 8; ++n) {
    auto* button = form.findChild<QRadioButton*>("RadioButton" + QString::number(n));
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->text(), "COM" + QString::number(n));
  }
  EXPECT_TRUE(form.RadioButton(3)->isChecked());  // the stored port
  QAction* entry = main->action("SetupEepromProgrammerInbox1");
  EXPECT_TRUE(entry->isVisible());
  EXPECT_EQ(entry->text(), "&EEPROM Prog Com Port: Com3");

  bool poll_ran_during_dialog = true;
  std::string click = "Apply";
  int choose = 6;
  ui.on_modal = [&](const std::string& name) {
    EXPECT_EQ(name, "TForm17");
    poll_ran_during_dialog = main->timer(3).enabled();
    form.show();
    form.RadioButton(choose)->click();
    (click == "Apply" ? form.ApplyButton : form.CancelButton)->click();
    return form.result();
  };
  entry->trigger();
  EXPECT_FALSE(poll_ran_during_dialog);
  EXPECT_EQ(main->session().settings.com_port, 6);
  EXPECT_EQ(entry->text(), "&EEPROM Prog Com Port: Com6");
  EXPECT_EQ(dir.read("setup.txt"),
            "Out\r\nDev\r\nIn\r\nme\r\nlog.msg\r\nFun\r\n6\r\n167\r\n107\r\n137\r\n107\r\n236\r\n");

  click = "Cancel";
  choose = 2;
  entry->trigger();
  EXPECT_EQ(main->session().settings.com_port, 6);
  EXPECT_EQ(entry->text(), "&EEPROM Prog Com Port: Com6");
  EXPECT_NE(dir.read("setup.txt").find("\r\n6\r\n"), std::string::npos);

  // A stored port outside 1..8 marks nothing; Apply with nothing marked
  // keeps it.
  main->session().settings.com_port = 12;
  form.FormShow();
  EXPECT_EQ(form.marked_button(), 0);
  form.ApplyClick();
  EXPECT_EQ(main->session().settings.com_port, 12);
}

}  // namespace
}  // namespace tarvex::eeprom

namespace tarvex::eeprom {
namespace {

TEST(ComPortStartUp, StoredPortOutsideOneToEightAsksAtOnce) {
  testing::TempFolder dir;
  dir.write("setup.txt",
            "Out\r\nDev\r\nIn\r\nme\r\nlog.msg\r\nFun\r\n12\r\n1\r\n2\r\n3\r\n4\r\n5\r\n");
  dir.write("Hardware.ini", "");
  dir.write("History.ini", "");
  dir.write("Config.ini", "");
  qt::QtUi ui;
  platform::VirtualScheduler scheduler;
  shell::TForm1 main(ui, scheduler, dir.path());
  ui.set_main_window(&main);

  bool prompted = false;
  QTimer::singleShot(0, [&] {
    auto* form = qobject_cast<TForm17*>(QApplication::activeModalWidget());
    ASSERT_NE(form, nullptr);
    prompted = true;
    EXPECT_EQ(form->marked_button(), 0);
    form->RadioButton(2)->click();
    form->ApplyButton->click();
  });
  shell::create_com_port_setup(main, ui);
  EXPECT_TRUE(prompted);
  EXPECT_EQ(main.session().settings.com_port, 2);
  EXPECT_EQ(main.action("SetupEepromProgrammerInbox1")->text(), "&EEPROM Prog Com Port: Com2");
  EXPECT_EQ(dir.read("setup.txt"),
            "Out\r\nDev\r\nIn\r\nme\r\nlog.msg\r\nFun\r\n2\r\n1\r\n2\r\n3\r\n4\r\n5\r\n");
  ASSERT_NE(ui.window("TForm17"), nullptr);

  // A stored port in range asks nothing.
  shell::TForm1 second(ui, scheduler, dir.path());
  shell::create_com_port_setup(second, ui);
  EXPECT_EQ(second.session().settings.com_port, 2);
}

}  // namespace
}  // namespace tarvex::eeprom
