#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTest>
#include <QTimer>

#include "outbound/ui/bulk_messages_window.h"
#include "outbound/ui/control_panel_window.h"
#include "platform/text_file.h"
#include "platform/virtual_scheduler.h"
#include "qt/qt_ui.h"
#include "shell/main_window.h"
#include "support/scripted_ui.h"
#include "support/temp_folder.h"

namespace tarvex::app {
using shell::TForm1;
namespace {

QString utf8(const std::string& bytes) {
  return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

// Picks a path in the next file dialog the program shows modally, as the
// operator would, and notes the folder it opened in.
void pick_in_next_dialog(const std::string& path, QString* opened_in) {
  QTimer::singleShot(0, [path, opened_in] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    *opened_in = dialog->directory().absolutePath();
    dialog->selectFile(utf8(path));
    QMetaObject::invokeMethod(dialog, "accept");
  });
}

TEST(NonAsciiPaths, DialogsOpenInTheFolderAndHandBackThePathsOwnBytes) {
  testing::TempFolder dir;
  const std::string devices = dir.file("Gerät");
  const std::string others = dir.file("Устройства");
  dir.write("Gerät/Tür.dev", "+2711\r\n");
  platform::create_folders(others);
  qt::QtUi ui;
  QString opened_in;

  platform::FileDialogRequest request;
  request.folder = devices;
  request.filter = "Device Files|*.dev";
  // The dialog names its folder with '/'; the paths come back as the
  // platform writes them.
  pick_in_next_dialog(devices + "/Tür.dev", &opened_in);
  EXPECT_EQ(ui.open_file(request), dir.file("Gerät/Tür.dev"));
  EXPECT_EQ(QDir::toNativeSeparators(opened_in), utf8(devices));

  pick_in_next_dialog(devices + "/Neu-ß.dev", &opened_in);
  EXPECT_EQ(ui.save_file(request), dir.file("Gerät/Neu-ß.dev"));

  pick_in_next_dialog(others, &opened_in);
  EXPECT_EQ(ui.pick_folder("Device Directory", devices), others);
  EXPECT_EQ(QDir::toNativeSeparators(opened_in), utf8(devices));
}

// A start-up folder, a device folder and a function folder with non-ASCII
// names: stored, shown, opened, saved and remembered across a restart.
TEST(NonAsciiPaths, FoldersAndRecentFilesKeepTheirNames) {
  testing::TempFolder dir;
  const std::string start = dir.file("Zentrale-Ä");
  dir.write("Zentrale-Ä/setup.txt", "Out\r\nGerät\r\nIn\r\n\r\n\r\nФункции\r\n1\r\n");
  dir.write("Zentrale-Ä/Hardware.ini", "Contactid\r\n");
  dir.write("Zentrale-Ä/History.ini", "");
  dir.write("Zentrale-Ä/Config.ini", "a\r\nb\r\nc\r\nd\r\n");
  const std::string devices = start + "/Устройства";
  dir.write("Zentrale-Ä/Устройства/Tür.dev",
            "+27115550000\r\n1234\r\n\xFD"
            "Contactid\r\n\xFC"
            "1\r\n\xFB"
            "Tür.fun\r\n");
  dir.write("Zentrale-Ä/Функции/Tür.fun", "+27\r\n1\r\nd\r\nOpen\xFEOPEN\r\n");
  testing::ScriptedUi ui;
  platform::VirtualScheduler scheduler;
  auto form = std::make_unique<TForm1>(ui, scheduler, start);
  EXPECT_EQ(form->action("SetupDevicePath1")->text(), "&Device Dir: Gerät");
  EXPECT_EQ(form->action("SetupFunctionsPath1")->text(), "&Function Dir: Функции");

  ui.dialog_answers = {devices};
  form->action("SetupDevicePath1")->trigger();
  EXPECT_EQ(platform::read_lines(start + "/setup.txt")[1], devices);
  EXPECT_EQ(form->action("SetupDevicePath1")->text(), "&Device Dir: " + utf8(devices));

  ui.dialog_answers = {devices + "/Tür.dev"};
  form->action("Open1")->trigger();
  EXPECT_EQ(form->Edit1->text(), "+27115550000");
  EXPECT_EQ(form->windowTitle(), "Tarvex Programmer Ver1.02 Master  Tür.dev");
  EXPECT_EQ(form->action("Hist1")->text(), utf8(devices + "/Tür.dev"));
  auto* commands = static_cast<QStandardItemModel*>(form->ComboBoxPlus1->model());
  ASSERT_EQ(commands->rowCount(), 2);
  EXPECT_EQ(commands->item(1, 2)->text(), "OPEN");

  ui.dialog_answers = {devices + "/Kopie-ß.dev"};
  form->action("Save1")->trigger();
  EXPECT_TRUE(platform::file_exists(devices + "/Kopie-ß.dev"));
  EXPECT_EQ(form->windowTitle(), "Tarvex Programmer Ver1.02 Master  Kopie-ß.dev");
  EXPECT_TRUE(ui.messages.empty());

  // Restarted, the program shows and opens the stored names.
  form = std::make_unique<TForm1>(ui, scheduler, start);
  EXPECT_EQ(form->action("SetupDevicePath1")->text(), "&Device Dir: " + utf8(devices));
  QAction* hist1 = form->action("Hist1");
  ASSERT_TRUE(hist1->isVisible());
  EXPECT_EQ(hist1->text(), utf8(devices + "/Tür.dev"));
  hist1->trigger();
  EXPECT_EQ(form->Edit1->text(), "+27115550000");
  EXPECT_TRUE(ui.messages.empty());
}

// The other windows show a folder or a group file by its own name as well.
TEST(NonAsciiPaths, BulkCaptionAndFunctionDirShowTheNamesAsTyped) {
  testing::TempFolder dir;
  dir.write("setup.txt", "Out\r\nDev\r\nIn\r\n\r\n\r\nФункции-Ä\r\n1\r\n");
  dir.write("Groups/Gruppe-Ä.grp", "+27821\r\n");
  for (const char* name : {"Hardware.ini", "History.ini", "Config.ini"}) dir.write(name, "");
  testing::ScriptedUi ui;
  platform::VirtualScheduler scheduler;
  TForm1 main(ui, scheduler, dir.path());

  outbound::TForm8 panel(main, main.email(), &main);
  EXPECT_EQ(panel.Label5->text(), "Function Dir: Функции-Ä");
  ui.dialog_answers = {dir.file("Fünf")};
  main.action("SetupFunctionsPath1")->trigger();
  EXPECT_EQ(panel.Label5->text(), "Function Dir: " + utf8(dir.file("Fünf")));

  outbound::TForm4 bulk(main, &main);
  ui.dialog_answers = {dir.file("Groups/Gruppe-Ä.grp")};
  bulk.OpenGroup1Click();
  EXPECT_EQ(bulk.windowTitle(), "Bulk Messages Gruppe-Ä.grp");
  QTest::mouseClick(bulk.Button2, Qt::LeftButton);
  EXPECT_EQ(bulk.windowTitle(), "Bulk Messages Gruppe-Ä.grp*");
  ui.answers = {platform::Answer::Yes};
  ui.dialog_answers = {dir.file("Groups/Gruppe-Ä.grp")};
  bulk.NewGroup1Click();
  EXPECT_EQ(bulk.windowTitle(), "Bulk Messages Gruppe-Ä.grp");
  EXPECT_TRUE(ui.messages.empty()) << ui.messages.front();
}

}  // namespace
}  // namespace tarvex::app
