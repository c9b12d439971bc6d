#include "shell/main_window.h"

#include <gtest/gtest.h>

#include <filesystem>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTableView>

#include "platform/virtual_scheduler.h"
#include "qt/qt_scheduler.h"
#include "support/blocked_rewrite.h"
#include "support/scripted_ui.h"
#include "support/temp_folder.h"

namespace tarvex::app {
using shell::TForm1;
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

  // Every control carries a name a screen reader reads; an edit's is its
  // label's text.
  for (QWidget* w : form.centralWidget()->findChildren<QWidget*>()) {
    if (qobject_cast<QLabel*>(w) || w->parent() != form.centralWidget()) continue;
    EXPECT_FALSE(w->accessibleName().isEmpty()) << w->objectName().toStdString();
  }
  EXPECT_EQ(form.Edit1->accessibleName(), form.findChild<QLabel*>("UnitNumberLabel")->text());
  EXPECT_EQ(form.Edit2->accessibleName(), form.findChild<QLabel*>("PasswordLabel")->text());
  EXPECT_EQ(form.Edit4->accessibleName(), form.findChild<QLabel*>("DescriptionLabel")->text());
  EXPECT_EQ(form.ComboBox1->accessibleName(), form.findChild<QLabel*>("HardwareTypeLabel")->text());

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
  EXPECT_EQ(form.action("SetupEepromProgrammerInbox1")->text(), "&EEPROM Prog Com Port: Com2");
  EXPECT_EQ(form.action("SetupIncommingMessagePath1")->text(), "&Incomming Messages Dir: in");
  EXPECT_FALSE(form.action("ReceiveMessages1")->isEnabled());
  EXPECT_TRUE(form.timer(1).enabled());
  EXPECT_TRUE(form.timer(3).enabled());
  EXPECT_FALSE(form.timer(2).enabled());
  // Every history entry and its separator are hidden with an empty History.ini.
  for (const char* name : {"Hist1", "Hist2", "Hist3", "Hist4", "HistorySeparator"})
    EXPECT_FALSE(form.action(name)->isVisible()) << name;
}

TEST_F(MainWindowTest, HistoryLinesFillTheirOwnEntriesWithThePathAsCaption) {
  write_settings(dir, "/d/a.dev\r\n/d/b.dev\r\n");
  {
    TForm1 form(ui, scheduler, dir.path());
    EXPECT_TRUE(form.action("Hist1")->isVisible());
    EXPECT_TRUE(form.action("Hist2")->isVisible());
    EXPECT_FALSE(form.action("Hist3")->isVisible());
    EXPECT_TRUE(form.action("HistorySeparator")->isVisible());
    EXPECT_EQ(form.action("Hist2")->text(), "/d/b.dev");
  }
  // An empty line leaves its own entry hidden; the next line keeps its place.
  write_settings(dir, "\r\n/d/b.dev\r\n\r\n/d/d.dev\r\n");
  TForm1 form(ui, scheduler, dir.path());
  std::vector<bool> shown;
  for (const char* name : {"Hist1", "Hist2", "Hist3", "Hist4", "HistorySeparator"})
    shown.push_back(form.action(name)->isVisible());
  EXPECT_EQ(shown, (std::vector<bool>{false, true, false, true, false}));
  EXPECT_EQ(form.action("Hist4")->text(), "/d/d.dev");
}

TEST_F(MainWindowTest, SetupEntryPausesThePollAndRestartsItOnlyWhileReceiving) {
  write_settings(dir, "");
  TForm1 form(ui, scheduler, dir.path());
  std::vector<bool> poll_during_dialog;
  ui.on_dialog = [&] { poll_during_dialog.push_back(form.timer(3).enabled()); };
  // An "&" in the chosen folder stays a visible "&" in the caption.
  ui.dialog_answers.push_back(dir.file("R&D"));
  form.action("SetupProgrammerPath1")->trigger();
  EXPECT_EQ(form.action("SetupProgrammerPath1")->text().toStdString(),
            "&Programming Dir: " + dir.file("R&&D"));
  EXPECT_EQ(form.session().settings.programming_folder, dir.file("R&D"));
  EXPECT_TRUE(form.timer(3).enabled());

  // Receiving off: the poll stays off after a Setup dialog, cancelled or not.
  form.set_receiving(false);
  form.action("SetupDevicePath1")->trigger();
  EXPECT_FALSE(form.timer(3).enabled());
  EXPECT_EQ(poll_during_dialog, (std::vector<bool>{false, false}));
}

TEST_F(MainWindowTest, LogFileAndFunctionFolderLabelsFollowOnlyAStoredChange) {
  write_settings(dir, "");
  TForm1 form(ui, scheduler, dir.path());
  std::vector<std::string> log_labels, function_labels;
  form.on_log_file_changed = [&](const std::string& v) { log_labels.push_back(v); };
  form.on_function_folder_changed = [&](const std::string& v) { function_labels.push_back(v); };
  ui.dialog_answers.push_back(dir.file("units.msg"));
  form.action("SetupLogFile1")->trigger();
  EXPECT_EQ(ui.file_dialogs.back().filter, "Messages File|*.msg");
  ui.dialog_answers.push_back(dir.file("Functions"));
  form.action("SetupFunctionsPath1")->trigger();
  EXPECT_EQ(ui.folder_dialogs.back().first, "Functions Directory");
  EXPECT_EQ(log_labels, std::vector<std::string>{dir.file("units.msg")});
  EXPECT_EQ(function_labels, std::vector<std::string>{dir.file("Functions")});

  // setup.txt cannot be replaced: the caption changes, the label and the
  // setting do not.
  ui.dialog_answers.push_back(dir.file("other.msg"));
  {
    const testing::BlockedRewrite blocked(dir.file("setup.txt"));
    form.action("SetupLogFile1")->trigger();
  }
  EXPECT_EQ(form.action("SetupLogFile1")->text().toStdString(),
            "&Log File: " + dir.file("other.msg"));
  EXPECT_EQ(log_labels.size(), 1u);
  EXPECT_EQ(form.session().settings.unit_log_file, dir.file("units.msg"));
  EXPECT_EQ(ui.messages.size(), 1u);
}

TEST_F(MainWindowTest, MissingSettingsAreReportedAndTheWindowStillComesUp) {
  TForm1 form(ui, scheduler, dir.path());
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_NE(ui.messages[0].find("setup.txt"), std::string::npos);
  EXPECT_EQ(form.findChild<QComboBox*>("ComboBox1")->count(), 0);
  EXPECT_EQ(form.session().programming_mode, 0);
  // Nothing read: the Setup entries keep their own captions.
  EXPECT_EQ(form.action("SetupProgrammerPath1")->text(), "Setup &Programmer Path");
  EXPECT_EQ(form.action("SetupFunctionsPath1")->text(), "Setup &Functions Path");
}

TEST_F(MainWindowTest, BadComPortStopsTheFileReadingButNotTheRestOfTheSetUp) {
  write_settings(dir, "/d/a.dev\r\n");
  dir.write("setup.txt", "out\r\ndev\r\nin\r\nengine\r\nunit.msg\r\nfun\r\nCOM2\r\n");
  TForm1 form(ui, scheduler, dir.path());
  EXPECT_EQ(ui.messages, std::vector<std::string>{"'COM2' is not a valid integer value"});
  // Lines before the bad one are taken; the files after it are not read.
  EXPECT_EQ(form.action("SetupFunctionsPath1")->text(), "&Function Dir: fun");
  EXPECT_EQ(form.action("SetupEepromProgrammerInbox1")->text(),
            "Setup &Eeprom Programmer Com Port");
  EXPECT_EQ(form.findChild<QComboBox*>("ComboBox1")->count(), 0);
  EXPECT_FALSE(form.action("Hist1")->isVisible());
  EXPECT_EQ(form.session().settings.standard_prefix, "");
  // The steps that read no file still run: receiving, timers, caption and
  // the command list.
  EXPECT_TRUE(form.timer(3).enabled());
  EXPECT_FALSE(form.action("ReceiveMessages1")->isEnabled());
  EXPECT_TRUE(form.timer(1).enabled());
  EXPECT_EQ(form.session().base_caption, "Tarvex Programmer Ver1.02 Master");
  auto* commands = form.findChild<QComboBox*>("ComboBoxPlus1");
  ASSERT_EQ(commands->count(), 2);
  EXPECT_EQ(commands->itemText(0), "Description" + QString(53, ' '));
  EXPECT_EQ(form.session().programming_mode, 0);
}

// The Alt key of a caption: the letter after a single "&", or 0.
QChar alt_key(const QString& text) {
  for (int i = 0; i + 1 < text.size(); ++i) {
    if (text[i] != '&') continue;
    if (text[i + 1] != '&') return text[i + 1].toUpper();
    ++i;  // "&&" is a literal "&"
  }
  return QChar();
}

TEST_F(MainWindowTest, MenusListTheirEntriesInOrderEachWithItsOwnAltKey) {
  write_settings(dir, "/d/a.dev\r\n");
  TForm1 form(ui, scheduler, dir.path());
  auto names = [](const QList<QAction*>& actions) {
    std::vector<std::string> out;
    for (QAction* a : actions)
      out.push_back(a->isSeparator() ? "-" : a->objectName().toStdString());
    return out;
  };
  auto* bar = form.findChild<QMenuBar*>();
  ASSERT_NE(bar, nullptr);
  std::vector<std::string> menus;
  for (QAction* m : bar->actions()) menus.push_back(m->text().toStdString());
  EXPECT_EQ(menus, (std::vector<std::string>{"&File", "&Setup", "&Options", "S&elect", "&Program",
                                             "&Help"}));
  QMenu* file = bar->actions()[0]->menu();
  EXPECT_EQ(names(file->actions()), (std::vector<std::string>{"New1",
                                                              "Open1",
                                                              "OpenDefault1",
                                                              "Save1",
                                                              "SaveDefault1",
                                                              "ImportTabDelimitedTextFile1",
                                                              "-",
                                                              "FindDevice1",
                                                              "SaveFormSettings1",
                                                              "-",
                                                              "SaveAsExcelFile1",
                                                              "-",
                                                              "OpenModemEngineApplication1",
                                                              "-",
                                                              "Hist1",
                                                              "Hist2",
                                                              "Hist3",
                                                              "Hist4",
                                                              "-",
                                                              "LogOut1",
                                                              "-",
                                                              "Exit1"}));
  QMenu* setup = bar->actions()[1]->menu();
  EXPECT_EQ(names(setup->actions()),
            (std::vector<std::string>{
                "SetupProgrammerPath1", "SetupDevicePath1", "SetupIncommingMessagePath1",
                "SetupLogFile1", "SetupFunctionsPath1", "SetupModemEngineApplication1",
                "SetupEepromProgrammerInbox1", "SetupEmailAccount1", "-", "UserSetup1"}));

  // Within one menu no two entries, shown now or later, share an Alt key,
  // and every entry of the main window's own has one.
  std::vector<QMenu*> all{form.PopupMenu1};
  for (QAction* m : bar->actions()) all.push_back(m->menu());
  for (QMenu* menu : all) {
    std::map<QChar, std::string> seen;
    for (QAction* a : menu->actions()) {
      if (a->isSeparator() || a->text().isEmpty()) continue;  // unfilled history
      const std::string name = a->objectName().toStdString();
      const QChar key = alt_key(a->text());
      // Recent-file entries show their path exactly, with no Alt key.
      if (name == "ProgramwithEEPROMProgrammer2" || name.rfind("Hist", 0) == 0) continue;
      ASSERT_FALSE(key.isNull()) << name << " " << a->text().toStdString();
      EXPECT_TRUE(seen.emplace(key, name).second)
          << name << " and " << seen[key] << " share Alt+" << QString(key).toStdString();
    }
  }
}

TEST_F(MainWindowTest, TrayHasAnIconAndHidesItsOptionsWhileTheyOfferNothing) {
  write_settings(dir, "");
  TForm1 form(ui, scheduler, dir.path());
  EXPECT_FALSE(form.windowIcon().isNull());
  QMenu* options = form.PopupMenu1->findChild<QMenu*>("TrayOptions1");
  ASSERT_NE(options, nullptr);
  // The sending windows are part of the program, so the submenu offers them.
  emit form.PopupMenu1->aboutToShow();
  EXPECT_TRUE(options->menuAction()->isVisible());
  for (QAction* entry : options->actions()) entry->setVisible(false);
  emit form.PopupMenu1->aboutToShow();
  EXPECT_FALSE(options->menuAction()->isVisible());
  form.action("ControlPanel2")->setVisible(true);
  emit form.PopupMenu1->aboutToShow();
  EXPECT_TRUE(options->menuAction()->isVisible());
  // Restore brings a hidden, minimised window back at its former size.
  form.showNormal();
  form.resize(900, 600);
  form.setWindowState(Qt::WindowMinimized);
  form.hide();
  form.action("Restore1")->trigger();
  EXPECT_TRUE(form.isVisible());
  EXPECT_FALSE(form.isMinimized());
  EXPECT_EQ(form.size(), QSize(900, 600));

  std::vector<QString> entries;
  for (QAction* a : form.PopupMenu1->actions()) entries.push_back(a->text());
  EXPECT_EQ(entries, (std::vector<QString>{"&Options", "&Restore", "&Close"}));
}

TEST(QtSchedulerClock, LongTimeIsTheClockTimeAndShortDateIsNumeric) {
  qt::QtScheduler clock;
  EXPECT_TRUE(QRegularExpression("^\\d{1,2}:\\d{2}:\\d{2}( ?[AaPp][Mm])?$")
                  .match(QString::fromStdString(clock.long_time_text()))
                  .hasMatch())
      << clock.long_time_text();
  EXPECT_TRUE(QRegularExpression("^\\d{1,4}\\D\\d{1,2}\\D\\d{1,4}\\.?$")
                  .match(QString::fromStdString(clock.short_date_text()))
                  .hasMatch())
      << clock.short_date_text();
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

  // One that can not be started says so, and why.
  ui.shell_open_failure = "No such file or directory";
  form.action("OpenModemEngineApplication1")->trigger();
  EXPECT_EQ(ui.messages,
            std::vector<std::string>{"The Modem Engine Application could not be started:\r\n"
                                     "engine\r\nNo such file or directory"});
  // With none configured nothing visible happens.
  ui.messages.clear();
  form.session().settings.modem_engine.clear();
  form.action("OpenModemEngineApplication1")->trigger();
  EXPECT_EQ(ui.shell_opened.size(), 2u);
  EXPECT_TRUE(ui.messages.empty());
}

}  // namespace
}  // namespace tarvex::app
