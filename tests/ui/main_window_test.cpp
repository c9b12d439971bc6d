#include "app/ui/main_window.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QLineEdit>

#include "platform/virtual_scheduler.h"
#include "support/scripted_ui.h"
#include "support/temp_folder.h"

namespace tarvex::app {
namespace {

TEST(MainWindow, StartsWithCaptionNamedControlsAndModeZero) {
  testing::TempFolder dir;
  testing::ScriptedUi ui;
  platform::VirtualScheduler scheduler;
  TForm1 form(ui, scheduler, dir.path());
  EXPECT_EQ(form.windowTitle(), "Tarvex Programmer Ver1.02 Master");
  ASSERT_NE(form.findChild<QLineEdit*>("Edit1"), nullptr);
  EXPECT_EQ(form.findChild<QLineEdit*>("Edit1")->text(), "+27");
  EXPECT_EQ(form.session().programming_mode, 0);
  // No settings files here: the first missing one is reported.
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_NE(ui.messages[0].find("setup.txt"), std::string::npos);
}

}  // namespace
}  // namespace tarvex::app
