#include <gtest/gtest.h>

#include <filesystem>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include "incoming/incoming_message.h"
#include "incoming/ui/find_device_window.h"
#include "incoming/ui/find_received_window.h"
#include "incoming/ui/unit_log_window.h"
#include "platform/virtual_scheduler.h"
#include "qt/string_grid_view.h"
#include "shell/main_window.h"
#include "support/scripted_ui.h"
#include "support/temp_folder.h"

namespace tarvex::incoming {
namespace {

namespace fs = std::filesystem;

constexpr const char* kDevice =
    "Arm\xFE"
    "A1\xFE"
    "5\xFE\xFE"
    "1\xFE\r\n+27821234567\r\n4321\r\n00000Gate\r\n\xFD\r\n\xFC"
    "1\r\n";

void double_click(qt::StringGridView* view, int col, int row) {
  const QPoint at = view->visualRect(view->model()->index(row - 1, col)).center();
  QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
  QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, at);
}
void click(qt::StringGridView* view, int col, int row) {
  QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                    view->visualRect(view->model()->index(row - 1, col)).center());
}

class IncomingWindows : public ::testing::Test {
 protected:
  IncomingWindows() {
    dir.write("setup.txt", "Outbox\r\nDevices\r\nInbox\r\n\r\nunits.msg\r\nFunctions\r\n1\r\n");
    dir.write("Hardware.ini", "K71 Morvane\r\n");
    dir.write("History.ini", "");
    dir.write("Config.ini", "a\r\nb\r\nc\r\nd\r\n");
    fs::create_directories(dir.file("Inbox"));
    dir.write("Devices/+27821234567.dev", kDevice);
    dir.write("Devices/+27829990000.dev", "+27829990000\r\n1111\r\n00000Shop\r\n");
    main = std::make_unique<shell::TForm1>(ui, scheduler, dir.path());
    main->resize(1200, 800);
    main->show();
    form2 = new TForm2(*main, main.get());
    form5 = new TForm5(*main, main.get());
    form6 = new TForm6(*main, main.get());
    ui.on_modal = [this](const std::string& name) {
      presets.emplace_back(main->session().preset_number, main->session().preset_text);
      if (name == "TForm2") return form2->exec();
      if (name == "TForm6") return form6->exec();
      return 0;
    };
  }
  ~IncomingWindows() override { main.reset(); }

  // Lets the poll see a file twice (it must have stopped changing), so it is taken.
  void receive(const std::string& name, const std::string& lines) {
    dir.write("Inbox/" + name, lines);
    scheduler.advance(1000);
  }
  std::string incoming(int col, int row) { return main->incoming_grid().cell(col, row); }

  testing::TempFolder dir;
  testing::ScriptedUi ui;
  platform::VirtualScheduler scheduler;
  std::unique_ptr<shell::TForm1> main;
  TForm2* form2 = nullptr;
  TForm5* form5 = nullptr;
  TForm6* form6 = nullptr;
  std::vector<std::pair<std::string, std::string>> presets;  // number, text at each modal window
};

TEST_F(IncomingWindows, ThePollShowsOneFilePerTickAndTheMenuSwitchesIt) {
  dir.write("Inbox/a.txt",
            "+27821234567,s,2026/12/08 10:00:01,Armed\r\n"
            "+27821234567,s,2026/12/08 10:00:02,Alarm, zone 3\r\n");
  dir.write("Inbox/b.txt", "+27731112222,s,2026/12/08 10:00:03,Disarmed\r\n");
  scheduler.advance(1000);
  EXPECT_FALSE(fs::exists(dir.file("Inbox/a.txt")));
  EXPECT_TRUE(fs::exists(dir.file("Inbox/b.txt")));
  EXPECT_EQ(main->StringGrid2->model()->rowCount(), 3);  // two messages and the empty row
  EXPECT_EQ(main->Label10->text(), "Message Count: 2");
  scheduler.advance(500);
  EXPECT_EQ(incoming(3, 3), "Disarmed");
  EXPECT_EQ(incoming(1, 3), "2026/12/08 ");

  main->action("StopReceivingMessages1")->trigger();
  EXPECT_TRUE(main->action("ReceiveMessages1")->isEnabled());
  receive("c.txt", "+27731112222,s,2026/12/08 10:00:04,Later\r\n");
  EXPECT_TRUE(fs::exists(dir.file("Inbox/c.txt")));
  main->action("ReceiveMessages1")->trigger();
  EXPECT_FALSE(main->action("ReceiveMessages1")->isEnabled());
  scheduler.advance(1000);
  EXPECT_EQ(main->Label10->text(), "Message Count: 4");

  main->action("ClearReceivedMessages1")->trigger();
  EXPECT_EQ(main->Label10->text(), "Message Count: 0");
  EXPECT_EQ(main->StringGrid2->model()->rowCount(), 1);
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(IncomingWindows, TheNewestMessageIsInViewAfterEveryPoll) {
  ASSERT_TRUE(QTest::qWaitForWindowExposed(main.get()));
  auto newest_in_view = [&] {
    qt::StringGridView* view = main->StringGrid2;
    const int newest = main->incoming_grid().row_count() - 2;  // grid row, before the empty one
    const QRect cell = view->visualRect(view->model()->index(newest - 1, 0));
    return view->viewport()->rect().contains(cell);
  };
  std::string burst;
  for (int i = 1; i <= 30; ++i)
    burst += "+2782,s,2026/12/08 10:00:00,m" + std::to_string(i) + "\r\n";
  receive("a.txt", burst);
  ASSERT_EQ(incoming(3, 30), "m30");
  EXPECT_TRUE(newest_in_view());
  for (int i = 0; i < 11; ++i) {
    receive("b" + std::to_string(i) + ".txt", "+2782,s,2026/12/08 10:00:00,one\r\n");
    EXPECT_TRUE(newest_in_view()) << i;
  }
}

TEST_F(IncomingWindows, DoubleClicksOpenSendMessageAndALinkedClickLoadsTheDevice) {
  main->action("LinkDevicetoIncommingMessages1")->trigger();
  receive("a.txt", "+27821234567,s,2026/12/08 10:00:01,Armed\r\n");
  double_click(main->StringGrid2, 0, 1);
  double_click(main->StringGrid2, 3, 1);
  ASSERT_EQ(ui.modal_windows, (std::vector<std::string>{"TForm3", "TForm3"}));
  EXPECT_EQ(presets[0], std::make_pair(std::string("+27821234567"), std::string()));
  EXPECT_EQ(presets[1], std::make_pair(std::string(), std::string("Armed")));
  // A double click is no link, even with linking on.
  scheduler.advance(1000);
  EXPECT_EQ(main->Edit1->text(), "+27");

  click(main->StringGrid2, 0, 1);
  scheduler.advance(400);
  EXPECT_EQ(main->Edit1->text(), "+27");
  scheduler.advance(100);
  EXPECT_EQ(main->Edit1->text(), "+27821234567");
  EXPECT_EQ(main->Edit4->text(), "Gate");
  EXPECT_EQ(main->maingrid().cell(1, 1), "A1");
  EXPECT_EQ(ui.messages, std::vector<std::string>{"+27821234567.dev file was loaded"});
  EXPECT_FALSE(main->device().modified);
}

// After a load by the device link, by Find Device or by a recent-file entry,
// the mode controls and the command list are the new unit's.
TEST_F(IncomingWindows, EveryDeviceLoadShowsTheModeAndCommandsInForce) {
  dir.write("Devices/+27825550000.dev",
            "+27825550000\r\n5555\r\n00000Alt\r\n\xFC"
            "2\r\n\xFB"
            "alt.fun\r\n");
  dir.write("Devices/+27826660000.dev",
            "+27826660000\r\n6666\r\n00000Std\r\n\xFC"
            "1\r\n\xFB"
            "std.fun\r\n");
  dir.write("Functions/alt.fun",
            "+27\r\n1\r\nd\r\nAlt one\xFE"
            "A1\r\n");
  dir.write("Functions/std.fun",
            "+27\r\n1\r\nd\r\nStd one\xFE"
            "S1\r\nStd two\xFE"
            "S2\r\n");
  auto commands = [&] {
    std::vector<std::string> out;
    auto* model = main->ComboBoxPlus1->model();
    for (int r = 1; r < model->rowCount(); ++r)
      out.push_back(model->index(r, 2).data().toString().toStdString());
    return out;
  };
  main->action("LinkDevicetoIncommingMessages1")->trigger();
  receive("a.txt", "+27825550000,s,2026/12/08 10:00:01,Armed\r\n");
  click(main->StringGrid2, 0, 1);
  scheduler.advance(500);
  ASSERT_EQ(main->Edit1->text(), "+27825550000");
  EXPECT_TRUE(main->RadioButton2->isChecked());
  EXPECT_FALSE(main->action("ProgramasOldUnit1")->isVisible());
  EXPECT_EQ(commands(), std::vector<std::string>{"A1"});

  ASSERT_TRUE(main->open_found_device(dir.file("Devices/+27826660000.dev")));
  EXPECT_TRUE(main->RadioButton1->isChecked());
  EXPECT_EQ(commands(), (std::vector<std::string>{"S1", "S2"}));

  // A recent-file entry: the caption stays, the controls follow the file.
  dir.write("History.ini", dir.file("Devices/+27825550000.dev") + "\r\n");
  auto restarted = std::make_unique<shell::TForm1>(ui, scheduler, dir.path());
  const QString caption = restarted->windowTitle();
  restarted->action("Hist1")->trigger();
  EXPECT_EQ(restarted->Edit1->text(), "+27825550000");
  EXPECT_TRUE(restarted->RadioButton2->isChecked());
  EXPECT_EQ(restarted->ComboBoxPlus1->model()->index(1, 2).data().toString(), "A1");
  EXPECT_EQ(restarted->windowTitle(), caption);
}

TEST_F(IncomingWindows, FindDeviceListsMatchesAndOpensTheChosenOne) {
  std::vector<std::string> hits;
  QTimer::singleShot(0, [&] {
    EXPECT_TRUE(form2->isModal());
    EXPECT_EQ(form2->Label2->text().toStdString(), "Find file in " + dir.file("Devices"));
    EXPECT_EQ(form2->Edit1->text(), "+27");
    EXPECT_FALSE(form2->Button2->isEnabled());
    // The "+27" is selected, as in every edit the focus enters; typing goes after it.
    QTest::keyClick(form2->Edit1, Qt::Key_End);
    QTest::keyClicks(form2->Edit1, "82*");
    EXPECT_EQ(form2->Edit1->text(), "+2782*");
    QTest::keyClick(form2->Edit1, Qt::Key_Return);  // "Find" is the default button
    for (int i = 0; i < form2->ComboBox1->count(); ++i)
      hits.push_back(form2->ComboBox1->itemText(i).toStdString());
    EXPECT_EQ(form2->Label2->text().toStdString(),
              "Device/s +2782* was found in " + dir.file("Devices"));
    EXPECT_FALSE(form2->Button2->isEnabled());
    form2->ComboBox1->setFocus();
    QTest::keyClick(form2->ComboBox1, Qt::Key_Down);
    EXPECT_EQ(form2->ComboBox1->currentIndex(), 0);
    QTest::mouseClick(form2->Button2, Qt::LeftButton);
    EXPECT_EQ(main->session().found_device_path, dir.file("Devices/+27821234567.dev"));
  });
  main->action("FindDevice1")->trigger();
  EXPECT_EQ(hits, (std::vector<std::string>{"+27821234567.dev", "+27829990000.dev"}));
  EXPECT_FALSE(form2->isVisible());
  EXPECT_EQ(main->Edit1->text(), "+27821234567");
  // Back in the main window the found device is what it shows: nothing is
  // read again, so edits made since stay.
  main->Edit4->setText("edited");
  main->FormActivate();
  EXPECT_EQ(main->Edit4->text(), "edited");
  EXPECT_TRUE(main->session().found_device_path.empty());

  // Opened again: the device folder and "+27", whatever was searched; a
  // cancelled folder picker keeps the folder; no match says so.
  QTimer::singleShot(0, [&] {
    EXPECT_EQ(form2->Edit1->text(), "+27");
    QTest::mouseClick(form2->Button4, Qt::LeftButton);
    EXPECT_EQ(form2->search_folder(), dir.file("Devices"));
    QTest::keyClicks(form2->Edit1, "+2799*");
    QTest::mouseClick(form2->Button1, Qt::LeftButton);
    EXPECT_EQ(form2->Label2->text(), "File not found");
    EXPECT_FALSE(form2->ComboBox1->isEnabled());
    QTest::mouseClick(form2->Button3, Qt::LeftButton);
  });
  main->action("FindDevice1")->trigger();
  EXPECT_EQ(ui.folder_dialogs.back().first, "Search Path");
  EXPECT_EQ(main->Edit1->text(), "+27821234567");
}

TEST_F(IncomingWindows, FindInReceivedMessagesCopiesMatchingRowsUntilReset) {
  receive("a.txt",
          "+27821234567,s,2026/12/08 10:00:01,Alarm at gate\r\n"
          "+27731112222,s,2026/12/08 10:00:02,All clear\r\n"
          "+27829990000,s,2026/12/09 10:00:03,Alarm in hall\r\n");
  main->action("FindinReceivedMessages1")->trigger();
  ASSERT_TRUE(form5->isVisible());
  EXPECT_FALSE(form5->isModal());
  EXPECT_TRUE(form5->windowFlags() & Qt::WindowStaysOnTopHint);
  // Every heading shows whole.
  QHeaderView* headings = form5->StringGrid1->horizontalHeader();
  for (int c = 0; c < 4; ++c)
    EXPECT_GE(headings->sectionSize(c), headings->sectionSizeHint(c)) << c;
  form5->RadioButton4->click();
  QTest::keyClicks(form5->Edit1, "Alarm");
  QTest::mouseClick(form5->Button1, Qt::LeftButton);
  EXPECT_EQ(form5->Label5->text(), "2");
  EXPECT_FALSE(form5->Button1->isEnabled());
  EXPECT_FALSE(form5->Edit1->isEnabled());
  EXPECT_EQ(form5->grid().cell(0, 2), "+27829990000");
  click(form5->StringGrid1, 1, 2);
  EXPECT_EQ(form5->Label2->text(), "13");
  // A copy: clearing the received messages leaves it.
  main->action("ClearReceivedMessages1")->trigger();
  EXPECT_EQ(form5->grid().row_count(), 4);
  double_click(form5->StringGrid1, 0, 1);
  EXPECT_EQ(presets.back().first, "+27821234567");

  QTest::mouseClick(form5->Button2, Qt::LeftButton);
  EXPECT_TRUE(form5->Button1->isEnabled());
  EXPECT_EQ(form5->grid().row_count(), 2);
  EXPECT_EQ(form5->Label5->text(), "2");  // "Reset" leaves the count
  form5->CheckBox1->click();
  EXPECT_FALSE(form5->windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_TRUE(form5->isVisible());
}

TEST_F(IncomingWindows, GetLogFromUnitSearchesWithTheTickedCriteria) {
  const std::string log =
      "+27821234567,g,2026/12/01 08:00:00,Armed\r\n"
      "+27821234567,g,2026/12/02 09:00:00,Alarm, zone 3\r\n"
      "+27731112222,g,2026/12/03 10:00:00,Alarm\r\n";
  dir.write("units.msg", log);
  QTimer::singleShot(0, [&] {
    EXPECT_FALSE(form6->Edit1->isEnabled());
    QTest::mouseClick(form6->Button1, Qt::LeftButton);
    EXPECT_EQ(ui.messages, std::vector<std::string>{"No search criteria found!"});
    QTest::mouseClick(form6->CheckBox3, Qt::LeftButton);
    EXPECT_TRUE(form6->Edit1->isEnabled());
    QTest::keyClicks(form6->Edit1, "2782");
    QTest::mouseClick(form6->Button1, Qt::LeftButton);
    EXPECT_EQ(form6->Label3->text(), "2");
    EXPECT_EQ(form6->grid().row_cells(2), (std::vector<std::string>{"+27821234567", "2026/12/02",
                                                                    " 09:00:00", "Alarm, zone 3"}));
    // Dates from the pickers; both bounds inclusive.
    QTest::mouseClick(form6->CheckBox3, Qt::LeftButton);
    form6->CheckBox1->click();
    form6->CheckBox2->click();
    form6->DateTimePicker1->setDate(QDate(2026, 12, 2));
    form6->DateTimePicker2->setDate(QDate(2026, 12, 3));
    QTest::mouseClick(form6->Button1, Qt::LeftButton);
    EXPECT_EQ(form6->Label3->text(), "2");
    EXPECT_EQ(form6->grid().cell(3, 1), "Alarm, zone 3");
    double_click(form6->StringGrid1, 0, 2);
    form6->ClearLog1->trigger();
    EXPECT_EQ(form6->Label3->text(), "0");
    EXPECT_EQ(form6->grid().row_count(), 2);
    form6->reject();
  });
  main->action("GetLog1")->trigger();
  EXPECT_EQ(ui.modal_windows, (std::vector<std::string>{"TForm6", "TForm3"}));
  EXPECT_EQ(presets.back().first, "+27731112222");
  EXPECT_EQ(dir.read("units.msg"), log);  // only ever read
}

TEST_F(IncomingWindows, ALongLogSearchShowsProgressAndStops) {
  std::string log;
  for (int i = 0; i < 200000; ++i)
    log += "+2782" + std::to_string(i % 10) + ",g,2026/12/01 08:00:00,Ping\r\n";
  dir.write("units.msg", log);
  form6->CheckBox4->click();
  form6->Edit2->setText("Ping");
  // The operator presses "Stop" as soon as the window answers.
  std::vector<int> shown;
  scheduler.set_pump_hook([&] {
    shown.push_back(form6->Label3->text().toInt());
    EXPECT_TRUE(form6->searching());
    EXPECT_FALSE(form6->Button1->isEnabled());
    form6->StopButton->click();
  });
  form6->Button1Click();
  scheduler.set_pump_hook({});
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_GT(shown[0], 0);
  EXPECT_LT(form6->grid().row_count() - 2, 200000);
  EXPECT_EQ(form6->Label3->text().toInt(), form6->grid().row_count() - 2);
  EXPECT_TRUE(form6->Button1->isEnabled());
  EXPECT_FALSE(form6->StopButton->isEnabled());
}

}  // namespace
}  // namespace tarvex::incoming
