// The EEPROM programmer window and the read-back, opened from the main
// window's menu as the operator opens them, against the simulated
// programmer that Ports.ini names, on virtual time.
#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "eeprom/serial_ports.h"
#include "eeprom/ui/programmer_window.h"
#include "eeprom/ui/read_progress_window.h"
#include "incoming/incoming_message.h"
#include "platform/virtual_scheduler.h"
#include "qt/string_grid_view.h"
#include "shell/main_window.h"
#include "support/scripted_ui.h"
#include "support/temp_folder.h"

namespace tarvex::eeprom {
namespace {

struct RunWindows : ::testing::Test {
  RunWindows() {
    dir.write("setup.txt", "Out\r\nDev\r\nIn\r\n\r\n\r\n\r\n1\r\n");
    dir.write("Hardware.ini", "K71 Morvane\r\n");
    dir.write("History.ini", "");
    dir.write("Config.ini", "a\r\nb\r\nc\r\nd\r\n");
    dir.write("Ports.ini", "simulator:acknowledging\r\n");
    dir.write("EEPROM Devices/K71 Morvane.dtp",
              "24FC256\r\n\x01\r\n$0000\r\n1\r\n$0040\r\n2\r\n$0080\r\n3\r\n");
    main = std::make_unique<shell::TForm1>(ui, scheduler, dir.path());
    form = new TForm20(*main, main.get());
    main->eeprom_programmer = form;
    progress = new TForm22(*main, form->run().Uart1(), main.get());
    main->read_progress = progress;
    main->ComboBox1->setCurrentText("K71 Morvane");
    auto& grid = main->maingrid();
    grid.set_row_count(4);
    grid.set_row_cells(1, {"Arm", "1", "30", "10100000", "Armed", "Selected"});
    grid.set_row_cells(2, {"Zone", "2", "30", "", "010101010101", "Selected"});
    grid.set_row_cells(3, {"Other", "3", "30", "", "kept", "Unselected"});
    // The window is shown modally; virtual time moves on from its event loop,
    // and `during` acts at each step.
    ui.on_modal = [this](const std::string& name) {
      if (name != "TForm20") return 0;
      QTimer tick;
      QObject::connect(&tick, &QTimer::timeout, [this] {
        scheduler.advance(50);
        if (during) during();
      });
      tick.start(0);
      return form->exec();
    };
  }
  SimulatedProgrammer& programmer() {
    return form->ports().simulator(ProgrammerModel::Acknowledging);
  }

  testing::TempFolder dir;
  testing::ScriptedUi ui;
  platform::VirtualScheduler scheduler;
  std::unique_ptr<shell::TForm1> main;
  TForm20* form = nullptr;
  TForm22* progress = nullptr;
  std::function<void()> during;
};

TEST_F(RunWindows, ProgramThenReadBackThroughTheMenus) {
  QAction* program = main->action("ProgramandVerifywithEEPROMProgrammer1");
  QAction* read = main->action("ImportProgrammingfromHardware1");
  ASSERT_TRUE(program->isVisible());
  ASSERT_TRUE(read->isVisible());
  bool buttons_were_disabled = false;
  during = [&] {
    if (form->isVisible() && !form->Button1->isEnabled()) buttons_were_disabled = true;
  };
  program->trigger();
  EXPECT_EQ(ui.modal_windows, std::vector<std::string>{"TForm20"});
  EXPECT_TRUE(ui.messages.empty()) << ui.messages[0];
  EXPECT_FALSE(form->isVisible());
  EXPECT_TRUE(buttons_were_disabled);
  EXPECT_EQ(form->windowTitle(), "EEPROM Programmer");
  EXPECT_EQ(form->Label1->text(), "Device: K71 Morvane");
  EXPECT_EQ(form->Label2->text(), "EEPROM: 24FC256");
  EXPECT_EQ(form->Label4->text(), "Progress: 100%");
  EXPECT_EQ(form->run().StringGrid1().cell(3, 2), "Verified");
  EXPECT_EQ(main->maingrid().cell(5, 1), "Message is Programmed");
  EXPECT_EQ(main->maingrid().cell(5, 3), "Unselected");
  EXPECT_EQ(programmer().stored_text(EepromChip::C24FC256, 0x0040, 1), "010101010101\x01");

  // Read back into a table that has changed since.
  auto& grid = main->maingrid();
  grid.set_cell(3, 1, "");
  grid.set_cell(4, 1, "changed");
  grid.set_cell(5, 2, "Selected");
  int gauge_max = -1;
  bool table_disabled = false;
  scheduler.set_pump_hook([&] {
    if (progress->isVisible()) {
      gauge_max = progress->Gauge1->maximum();
      table_disabled = table_disabled || !main->maingrid1->isEnabled();
      // The port is busy: a programming run cannot start in the middle.
      program->trigger();
    }
  });
  read->trigger();
  scheduler.set_pump_hook(nullptr);
  EXPECT_TRUE(ui.messages.empty()) << ui.messages[0];
  EXPECT_EQ(gauge_max, 3);
  EXPECT_TRUE(table_disabled);
  EXPECT_EQ(ui.modal_windows.size(), 1u);
  EXPECT_FALSE(progress->isVisible());
  EXPECT_TRUE(main->maingrid1->isEnabled());
  EXPECT_EQ(grid.row_cells(1),
            (std::vector<std::string>{"Arm", "1", "30", "10100000", "Armed", "Loaded"}));
  EXPECT_EQ(grid.row_cells(2),
            (std::vector<std::string>{"Zone", "2", "30", "", "010101010101", "Loaded"}));
  EXPECT_EQ(grid.cell(5, 3), "Unselected");  // nothing stored at its address
  EXPECT_EQ(main->template_table().row_cells(2), (std::vector<std::string>{"$0080", "3"}));
}

TEST_F(RunWindows, FailedRunOffersCloseAndEscEndsARunWithoutOutcomes) {
  programmer().faults.drop_ack = 2;
  programmer().faults.drop_ack_count = -1;
  bool clicked = false;
  during = [&] {
    if (!clicked && form->Button1->isEnabled() && !ui.messages.empty()) {
      clicked = true;
      EXPECT_TRUE(form->Button2->isEnabled());
      EXPECT_TRUE(form->Button3->isEnabled());
      // The hidden label shows the address grid.
      QTest::mouseDClick(form->Label3, Qt::LeftButton);
      EXPECT_TRUE(form->StringGrid2->isVisible());
      QTest::mouseClick(form->Button1, Qt::LeftButton);
    }
  };
  main->action("ProgramandVerifywithEEPROMProgrammer1")->trigger();
  ASSERT_TRUE(clicked);
  EXPECT_EQ(ui.messages, std::vector<std::string>{"Unable to program all messages!"});
  EXPECT_FALSE(form->isVisible());
  EXPECT_EQ(main->maingrid().cell(5, 1), "Programming failed!");
  EXPECT_EQ(main->maingrid().cell(5, 2), "Programming failed!");

  // Esc, at any time, closes without outcomes; nothing was verified, so the
  // rows are there to be chosen again.
  programmer().faults.drop_ack = 0;
  main->maingrid().set_cell(5, 1, "Selected");
  main->maingrid().set_cell(5, 2, "Selected");
  bool pressed = false;
  during = [&] {
    if (!pressed && scheduler.now_ms() > 0 && form->isVisible()) {
      pressed = true;
      QTest::keyClick(form->StringGrid1, Qt::Key_Escape);
    }
  };
  main->action("ProgramandVerifywithEEPROMProgrammer1")->trigger();
  EXPECT_TRUE(pressed);
  EXPECT_FALSE(form->isVisible());
  EXPECT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(main->maingrid().cell(5, 1), "Selected");
  EXPECT_EQ(main->maingrid().cell(5, 2), "Selected");
  for (int n = 1; n <= 6; ++n) EXPECT_FALSE(form->run().timer(n).enabled()) << n;
}

TEST_F(RunWindows, NoOtherDeviceIsLoadedWhileARunOrAReadBackHoldsTheTable) {
  const std::string held =
      "The EEPROM programmer is using the message table. Load another device when it has "
      "finished.";
  dir.write("Dev/+2799.dev",
            "Other\xFE"
            "1\xFE"
            "30\xFE\xFE"
            "other\xFE\r\n+2799\r\n1111\r\n00000Other\r\n");
  const std::string other = dir.file("Dev/+2799.dev");
  main->session().settings.device_folder = dir.file("Dev");
  main->action("Hist1")->setData(QByteArray::fromStdString(other));
  main->action("LinkDevicetoIncommingMessages1")->setChecked(true);
  auto& incoming = main->incoming_grid();
  incoming.set_row_count(2);
  incoming.set_cell(incoming::kColUnitNumber, 1, "+2799");
  incoming.set_current(incoming::kColUnitNumber, 1);
  // Every way of loading another device, and of replacing the table.
  auto try_every_load = [&] {
    ui.dialog_answers = {other, other, other};
    for (const char* entry :
         {"Open1", "OpenDefault1", "Hist1", "New1", "ImportTabDelimitedTextFile1"})
      main->action(entry)->trigger();
    EXPECT_FALSE(main->open_found_device(other));
    main->Timer4Timer();
  };

  bool tried = false;
  scheduler.set_pump_hook([&] {
    if (tried || !progress->isVisible()) return;
    tried = true;
    try_every_load();
  });
  main->action("ImportProgrammingfromHardware1")->trigger();
  scheduler.set_pump_hook(nullptr);
  ASSERT_TRUE(tried);
  EXPECT_EQ(ui.messages, std::vector<std::string>(7, held));
  EXPECT_TRUE(ui.file_dialogs.empty());
  EXPECT_TRUE(ui.questions.empty());
  EXPECT_EQ(main->Edit1->text(), "+27");
  EXPECT_EQ(main->maingrid().row_count(), 4);
  EXPECT_EQ(main->maingrid().cell(4, 1), "Armed");

  ui.messages.clear();
  tried = false;
  during = [&] {
    if (tried || !form->isVisible()) return;
    tried = true;
    try_every_load();
  };
  main->action("ProgramandVerifywithEEPROMProgrammer1")->trigger();
  ASSERT_TRUE(tried);
  EXPECT_EQ(ui.messages, std::vector<std::string>(7, held));
  EXPECT_EQ(main->Edit1->text(), "+27");
  EXPECT_EQ(main->maingrid().cell(5, 1), "Message is Programmed");

  // Once the table is free again, devices load as before.
  ui.messages.clear();
  ui.dialog_answers = {other};
  main->action("Open1")->trigger();
  EXPECT_EQ(main->Edit1->text(), "+2799");
}

}  // namespace
}  // namespace tarvex::eeprom
