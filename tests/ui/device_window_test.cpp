#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardItemModel>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include "app/ui/login_window.h"
#include "device/device.h"
#include "device/ui/exclude_selection_window.h"
#include "device/ui/zone_selection_window.h"
#include "platform/text_file.h"
#include "platform/virtual_scheduler.h"
#include "qt/qt_ui.h"
#include "qt/string_grid_view.h"
#include "shell/main_window.h"
#include "support/scripted_ui.h"
#include "support/temp_folder.h"

namespace tarvex::app {
using shell::TForm1;
namespace {

using device::MessageRow;

// What a real double click delivers: a press and release, then the double click.
void double_click(QWidget* widget, const QPoint& pos) {
  QTest::mouseClick(widget, Qt::LeftButton, {}, pos);
  QTest::mouseDClick(widget, Qt::LeftButton, {}, pos);
}

class DeviceWindowTest : public ::testing::Test {
 protected:
  DeviceWindowTest() {
    dir.write("setup.txt", "Outbox\r\nDevices\r\nInbox\r\n\r\n\r\nFunctions\r\n1\r\n");
    dir.write("Hardware.ini", "K71 Morvane\r\nContactid\r\n");
    dir.write("History.ini", "");
    dir.write("Config.ini", "a\r\nb\r\nc\r\nd\r\n");
    form = std::make_unique<TForm1>(ui, scheduler, dir.path());
    form->resize(1200, 800);
    form->show();
    QApplication::setActiveWindow(form.get());
    grid = form->maingrid1;
  }
  ~DeviceWindowTest() override { form.reset(); }

  void rows(const std::vector<MessageRow>& rows) {
    platform::StringGrid& table = form->maingrid();
    platform::GridUpdate update(table);
    table.set_row_count(static_cast<int>(rows.size()) + 1);
    for (std::size_t i = 0; i < rows.size(); ++i)
      device::set_row(table, static_cast<int>(i) + 1, rows[i]);
  }
  std::string cell(int col, int row) { return form->maingrid().cell(col, row); }
  QPoint centre(int col, int row) {
    return grid->visualRect(grid->model()->index(row - 1, col)).center();
  }
  void click(int col, int row) {
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, centre(col, row));
  }
  // Keys go where the operator's keys would: the open cell editor, else the view.
  QWidget* key_target() { return grid->cell_editor() ? grid->cell_editor() : grid; }
  void type(const QString& text) {
    for (QChar c : text) QTest::keyClick(key_target(), c.toLatin1());
  }

  testing::TempFolder dir;
  testing::ScriptedUi ui;
  platform::VirtualScheduler scheduler;
  std::unique_ptr<TForm1> form;
  qt::StringGridView* grid = nullptr;
};

TEST_F(DeviceWindowTest, SpaceInTheSelectionColumnToggles) {
  rows({{"Arm", "A1", "5", "", "", "Unselected"}, {"Off", "A2", "0", "", "", "Unselected"}});
  click(5, 1);
  QTest::keyClick(key_target(), Qt::Key_Space);
  EXPECT_EQ(cell(5, 1), "Selected");
  QTest::keyClick(key_target(), Qt::Key_Space);
  EXPECT_EQ(cell(5, 1), "Unselected");

  click(5, 2);  // Prog Len "0": stays unselected
  QTest::keyClick(key_target(), Qt::Key_Space);
  EXPECT_EQ(cell(5, 2), "Unselected");
}

TEST_F(DeviceWindowTest, TypingATextMessageSelectsTheRowAndChecksItsLength) {
  rows({{"Arm", "A1", "3", "#", "", "Unselected"}, {"Name", "N1", "9", "", "", "Unselected"}});
  form->device().modified = false;
  click(4, 1);
  type("ab");
  EXPECT_EQ(cell(4, 1), "ab");
  EXPECT_EQ(cell(5, 1), "Selected");
  EXPECT_EQ(form->Label12->text(), "3");
  EXPECT_TRUE(form->device().modified);
  EXPECT_TRUE(ui.messages.empty());
  type("c");  // four characters against a Prog Len of 3
  EXPECT_EQ(ui.messages, std::vector<std::string>{"The message is longer then 3 characters!"});
  // Enter is checked like any key; the editor closing over the text the cell
  // already holds is no new edit and gives no second warning.
  ui.messages.clear();
  int downs = 0, presses = 0, ups = 0;
  QObject counting;  // the counters' lifetime: no count after the test's end
  QObject::connect(grid, &qt::StringGridView::keyDown, &counting, [&] { ++downs; });
  QObject::connect(grid, &qt::StringGridView::keyPressed, &counting, [&] { ++presses; });
  QObject::connect(grid, &qt::StringGridView::keyUp, &counting, [&] { ++ups; });
  QTest::keyClick(key_target(), Qt::Key_Return);
  QApplication::processEvents();  // the editor closes on the event loop
  // Each once, though the editor passes Enter on to the view.
  EXPECT_EQ(downs + presses + ups, 3);
  EXPECT_EQ(grid->cell_editor(), nullptr);
  EXPECT_EQ(ui.messages.size(), 1u);

  // Typing a description changes no selection.
  click(0, 2);
  type("x");
  EXPECT_EQ(cell(0, 2), "x");
  EXPECT_EQ(cell(5, 2), "Unselected");
}

TEST_F(DeviceWindowTest, DoubleClickOnAnEmptyTextMessageOffersPasteDescription) {
  rows({{"Arm away", "A1", "10", "", "", ""}});
  double_click(grid->viewport(), centre(4, 1));
  ASSERT_TRUE(form->PopupMenu2->isVisible());
  QAction* paste = form->PopupMenu2->findChild<QAction*>("PasteDiscription1");
  ASSERT_NE(paste, nullptr);
  EXPECT_EQ(paste->text(), "Paste Description");
  form->PopupMenu2->hide();
  paste->trigger();
  EXPECT_EQ(cell(4, 1), "Arm away");

  // In the selection column a double click steps through the states.
  double_click(grid->viewport(), centre(5, 1));
  EXPECT_EQ(cell(5, 1), "Unselected");
  double_click(grid->viewport(), centre(5, 1));
  EXPECT_EQ(cell(5, 1), "Selected");
}

TEST_F(DeviceWindowTest, OpenShowsTheDeviceCaptionHistoryAndCommands) {
  dir.write("Devices/gate.dev",
            "Zones\xFE"
            "Z1\xFE"
            "8\xFE\xFE"
            "1010\xFE\r\n+27821234567\r\n4321\r\n00000Gate\r\n\xFD"
            "Contactid\r\n\xFC"
            "2\r\n\xFB"
            "Gate.fun\r\n\r\n");
  dir.write("Functions/Gate.fun",
            "+27\r\n1\r\nd\r\nOpen gate\xFE"
            "OPEN\r\n");
  QAction* open = form->action("Open1");
  ASSERT_TRUE(open->isVisible());
  ui.dialog_answers = {dir.file("Devices/gate.dev")};
  open->trigger();
  EXPECT_EQ(form->Edit1->text(), "+27821234567");
  EXPECT_EQ(form->Edit2->text(), "4321");
  EXPECT_EQ(form->Edit4->text(), "Gate");
  EXPECT_EQ(form->ComboBox1->currentText(), "Contactid");
  EXPECT_TRUE(form->RadioButton2->isChecked());
  EXPECT_EQ(form->windowTitle(), "Tarvex Programmer Ver1.02 Master  gate.dev");
  EXPECT_FALSE(form->device().modified);
  QAction* hist1 = form->action("Hist1");
  EXPECT_TRUE(hist1->isVisible());
  EXPECT_TRUE(hist1->text().endsWith(
      QString::fromStdString(platform::to_native_path("Devices/gate.dev"))));
  auto* commands = static_cast<QStandardItemModel*>(form->ComboBoxPlus1->model());
  ASSERT_EQ(commands->rowCount(), 2);
  EXPECT_EQ(commands->item(1, 1)->text(), "Open gate");
  EXPECT_EQ(commands->item(1, 2)->text(), "OPEN");
  // The edit part starts empty, and the open list shows each description
  // whole on one line.
  EXPECT_EQ(form->ComboBoxPlus1->currentText(), "");
  auto* list = qobject_cast<QTableView*>(form->ComboBoxPlus1->view());
  ASSERT_NE(list, nullptr);
  EXPECT_FALSE(list->wordWrap());
  EXPECT_GT(list->columnWidth(1), list->fontMetrics().horizontalAdvance("Open gate"));
  EXPECT_GE(list->minimumWidth(), list->columnWidth(1) + list->columnWidth(2));

  // Typing in the unit number marks the device changed; New then asks.
  form->Edit1->setText("+2711");
  EXPECT_TRUE(form->device().modified);
  ui.answers = {platform::Answer::No};
  form->action("New1")->trigger();
  EXPECT_EQ(form->Edit1->text(), "+27");
  EXPECT_EQ(form->Edit2->text(), "9473");
  EXPECT_EQ(form->windowTitle(), "Tarvex Programmer Ver1.02 Master");

  // The recent-file entry opens it again.
  hist1->trigger();
  EXPECT_EQ(form->Edit1->text(), "+27821234567");
}

TEST_F(DeviceWindowTest, RecentFileWithAnAmpersandShowsAndOpensIt) {
  const std::string path = dir.file("R&D/lab.dev");
  dir.write("R&D/lab.dev",
            "+27115550000\r\n1234\r\n\xFC"
            "1\r\n\xFD"
            "Contactid\r\n");
  dir.write("History.ini", path + "\r\n");
  form = std::make_unique<TForm1>(ui, scheduler, dir.path());
  QAction* hist1 = form->action("Hist1");
  ASSERT_TRUE(hist1->isVisible());
  // The menu shows "R&D", not "RD" with an underlined D.
  EXPECT_EQ(hist1->text(), QString::fromStdString(path).replace("&", "&&"));
  hist1->trigger();
  EXPECT_EQ(form->Edit1->text(), "+27115550000");
}

TEST_F(DeviceWindowTest, MessagesShowOverTheOpenedDeviceAndTheLengthTheySpeakOf) {
  dir.write("Devices/bare.dev", "+27119990000\r\n5678\r\n00000Bare\r\n");  // no mode, no type
  form->RadioButton2->click();
  std::vector<std::string> behind;
  ui.on_message = [&](const std::string& text) {
    behind.push_back(text + " | " + form->Edit1->text().toStdString() + " " +
                     form->Edit2->text().toStdString() + " " + form->Edit4->text().toStdString() +
                     (form->RadioButton1->isChecked() ? " Tarvex" : " Alternative"));
  };
  ui.dialog_answers = {dir.file("Devices/bare.dev")};
  form->action("Open1")->trigger();
  form->action("New1")->trigger();
  form->RadioButton2->click();
  form->action("Hist1")->trigger();
  const std::string shown = " | +27119990000 5678 Bare Tarvex";
  const std::vector<std::string> twice{
      device::kNoModeMessage + shown, device::kNoHardwareMessage + shown,
      device::kNoModeMessage + shown, device::kNoHardwareMessage + shown};
  EXPECT_EQ(behind, twice);

  // The length label shows the typed text's length when the warning comes.
  behind.clear();
  ui.on_message = [&](const std::string&) {
    behind.push_back(form->Label12->text().toStdString());
  };
  rows({{"Arm", "A1", "2", "", "", "Unselected"}});
  click(4, 1);
  type("abc");
  EXPECT_EQ(behind, std::vector<std::string>{"3"});
}

TEST_F(DeviceWindowTest, ALongUnitNumberFromAFileIsShownAndSavedWhole) {
  const std::string number = "+27821234567890123456789012345";  // 30 characters
  dir.write("Devices/long.dev", number +
                                    "\r\n4321\r\n\xFD"
                                    "Contactid\r\n\xFC"
                                    "1\r\n");
  ui.dialog_answers = {dir.file("Devices/long.dev")};
  form->action("Open1")->trigger();
  EXPECT_EQ(form->Edit1->text().toStdString(), number);
  ui.dialog_answers = {std::nullopt, dir.file("Devices/copy.dev")};  // no function file
  form->action("Save1")->trigger();
  EXPECT_NE(dir.read("Devices/copy.dev").find("\r\n" + number + "\r\n"), std::string::npos);

  // Typing stays limited to 25 characters.
  form->action("New1")->trigger();
  QTest::keyClicks(form->Edit1, QString::fromStdString(number.substr(3)));
  EXPECT_EQ(form->Edit1->text().size(), device::kUnitNumberTypedLength);
}

TEST_F(DeviceWindowTest, EndingWithUnsavedChangesAsksFirst) {
  form->Edit4->setText("changed");
  ui.answers = {platform::Answer::Cancel};
  form->action("Exit1")->trigger();
  EXPECT_EQ(ui.questions, std::vector<std::string>{device::kUnsavedChangesQuestion});
  EXPECT_TRUE(form->isVisible());

  // "Yes" on the close box saves and keeps the program running.
  ui.answers = {platform::Answer::Yes};
  ui.dialog_answers = {std::nullopt, dir.file("Devices/kept.dev")};
  form->close();
  EXPECT_TRUE(platform::file_exists(dir.file("Devices/kept.dev")));
  EXPECT_TRUE(form->isVisible());
  EXPECT_EQ(ui.questions.size(), 2u);

  // "Exit" in the login dialog after "Log Out": "Cancel" keeps both open,
  // "No" ends the program.
  TForm7 login(*form, form.get());
  login.show();
  form->Edit4->setText("changed again");
  ui.answers = {platform::Answer::Cancel, platform::Answer::No};
  login.Button2->click();
  EXPECT_TRUE(login.isVisible());
  EXPECT_TRUE(form->isVisible());
  login.Button2->click();
  EXPECT_FALSE(login.isVisible());
  EXPECT_FALSE(form->isVisible());
  EXPECT_EQ(ui.questions.size(), 4u);

  // Nothing unsaved: the tray's "Close" asks nothing.
  form->show();
  form->device().modified = false;
  form->action("Close1")->trigger();
  EXPECT_FALSE(form->isVisible());
  EXPECT_EQ(ui.questions.size(), 4u);
}

TEST_F(DeviceWindowTest, ATrayClickRestoresTheWindowLikeADoubleClick) {
  for (auto reason : {QSystemTrayIcon::Trigger, QSystemTrayIcon::DoubleClick}) {
    form->showMinimized();
    ASSERT_TRUE(form->isMinimized());
    form->FormMouseMove(reason);
    EXPECT_FALSE(form->isMinimized()) << reason;
    EXPECT_TRUE(form->isVisible());
  }
}

TEST_F(DeviceWindowTest, ChoosingTheZonedTypeMakesZoneCellsOpenTheZoneWindow) {
  dir.write("Zone.dat", "Z1\r\n\x7F\r\n");
  rows({{"Zones", "Z1", "8", "", "10", "Unselected"}});
  const int k71 = form->ComboBox1->findText("K71 Morvane");
  form->ComboBox1->setCurrentIndex(k71);
  emit form->ComboBox1->activated(k71);
  ASSERT_EQ(form->zone_codes(), std::vector<std::string>{"Z1"});
  ui.on_modal = [&](const std::string&) {
    form->zone_selection().enable_all();
    form->zone_selection().apply();
    return 1;
  };
  click(3, 1);
  EXPECT_EQ(ui.modal_windows, std::vector<std::string>{"TForm16"});
  EXPECT_EQ(cell(4, 1), "11");
  EXPECT_EQ(cell(5, 1), "Selected");
}

TEST(DeviceDialogs, ZoneWindowTogglesByDoubleClickAndApplies) {
  device::ZoneSelection zones;
  device::TForm16 window(zones);
  EXPECT_EQ(window.windowTitle(), "Zone Selection");
  zones.open(1, "10");
  window.show();
  auto* view = window.StringGrid1;
  const QPoint zone2 = view->visualRect(view->model()->index(1, 1)).center();
  double_click(view->viewport(), zone2);
  EXPECT_EQ(zones.grid().cell(1, 2), "Enabled");
  QTest::mouseClick(window.Button1, Qt::LeftButton);
  EXPECT_TRUE(zones.applied());
  EXPECT_EQ(zones.zone_string(), "11");
  EXPECT_EQ(window.result(), QDialog::Accepted);
}

TEST(DeviceDialogs, ExclusionWindowClearsItsBoxesAndSelects) {
  platform::StringGrid table(6, 4);
  const char* codes[3] = {"12", "13", ""};
  for (int r = 1; r <= 3; ++r) {
    table.set_cell(1, r, codes[r - 1]);
    table.set_cell(2, r, "5");
  }
  device::TForm14 window(table);
  window.Edit2->setText("old");
  window.show();
  EXPECT_EQ(window.Edit2->text(), "");
  EXPECT_EQ(window.Edit1->maxLength(), 6);
  QTest::keyClicks(window.Edit1, "12");
  QTest::mouseClick(window.Button1, Qt::LeftButton);
  EXPECT_EQ(table.cell(5, 1), "Unselected");
  EXPECT_EQ(table.cell(5, 2), "Selected");
  EXPECT_EQ(table.cell(5, 3), "Unselected");  // the empty boxes exclude empty codes
}

}  // namespace
}  // namespace tarvex::app

namespace tarvex::app {
using shell::TForm1;
namespace {

// With real message boxes: the length warning must not end the cell editing,
// or the next key would start a new editor over the whole text.
TEST(DeviceWindowMessageBoxes, TypingGoesOnAfterALengthWarning) {
  int boxes = 0;
  int shown_for = 0;
  QTimer closer;
  // Each box stays up long enough for the focus to move to it.
  QObject::connect(&closer, &QTimer::timeout, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box || ++shown_for < 10) return;
    shown_for = 0;
    ++boxes;
    box->accept();
  });
  closer.start(5);
  testing::TempFolder dir;
  qt::QtUi ui;
  platform::VirtualScheduler scheduler;
  TForm1 form(ui, scheduler, dir.path());  // reports the missing settings files
  ui.set_main_window(&form);
  form.show();
  QApplication::setActiveWindow(&form);
  boxes = 0;
  platform::StringGrid& table = form.maingrid();
  table.set_cell(2, 1, "2");
  auto* grid = form.maingrid1;
  const QPoint text_cell = grid->visualRect(grid->model()->index(0, 4)).center();
  QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, text_cell);
  for (char c : std::string("abcd")) {
    QWidget* target = grid->cell_editor() ? grid->cell_editor() : grid;
    QTest::keyClick(target, c);
  }
  EXPECT_EQ(table.cell(4, 1), "abcd");
  EXPECT_GE(boxes, 2);
}

}  // namespace
}  // namespace tarvex::app
