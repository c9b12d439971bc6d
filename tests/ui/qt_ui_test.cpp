#include "qt/qt_ui.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QMainWindow>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include "platform/text_file.h"
#include "support/temp_folder.h"

namespace tarvex::qt {
namespace {

// The file dialog takes the folder and gives the chosen file as paths in the
// file system's encoding: a folder named in any script is the one that exists.
TEST(QtUiFileDialog, FolderAndChosenFileKeepEveryCharacter) {
  testing::TempFolder dir;
  const std::string folder = dir.file("Gerät Устройства");
  platform::create_folders(folder);
  const std::string device = platform::join_path(folder, "Ünit ж.dev");
  platform::write_file(device, "x");

  QtUi ui;
  QString shown;
  QTimer answer;
  QObject::connect(&answer, &QTimer::timeout, [&] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    if (!dialog) return;
    answer.stop();
    shown = dialog->directory().absolutePath();
    const QString name = QString::fromUtf8("Ünit ж.dev");
    // Choosing a file that is not there would raise a warning box.
    if (!dialog->directory().exists(name)) return dialog->reject();
    dialog->selectFile(name);
    static_cast<QDialog*>(dialog)->accept();  // QFileDialog::accept checks the choice
  });
  answer.start(10);
  const auto chosen =
      ui.open_file({"Open Device", folder, "Device Files (*.dev)|*.dev", 1, "dev", ""});
  EXPECT_EQ(shown.toStdString(),
            QDir(QString::fromUtf8(folder.c_str())).absolutePath().toStdString());
  ASSERT_TRUE(chosen);
  EXPECT_EQ(*chosen, device);
}

// A message that names a path shows the path as the file system names it;
// any other text keeps one character per byte.
TEST(QtUiMessage, PathsShowAsNamedAndOtherBytesOneCharacterEach) {
  QtUi ui;
  QStringList shown;
  QTimer answer;
  QObject::connect(&answer, &QTimer::timeout, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box) return;
    shown << box->text();
    box->done((box->standardButtons() & QMessageBox::Yes) ? QMessageBox::Yes : QMessageBox::Ok);
  });
  answer.start(10);
  ui.message("Cannot write file \"/tmp/Gerät/Устройства.dev\". No space left on device");
  ui.message("Zone \xC4\xFE 3");
  EXPECT_EQ(ui.question("Save \"/tmp/Gerät\"?", false), platform::Answer::Yes);
  ASSERT_EQ(shown.size(), 3);
  EXPECT_EQ(shown[0],
            QString::fromUtf8(
                "Cannot write file \"/tmp/Gerät/Устройства.dev\". No space left on device"));
  EXPECT_EQ(shown[1], QString::fromLatin1("Zone \xC4\xFE 3"));
  EXPECT_EQ(shown[2], QString::fromUtf8("Save \"/tmp/Gerät\"?"));
}

// A program that does not start says why, in the platform's words.
TEST(QtUiShellOpen, AProgramThatCanNotStartGivesTheReason) {
  testing::TempFolder dir;
  const std::string not_runnable = dir.file("engine.sh");
  platform::write_file(not_runnable, "#!/bin/sh\n");
  QtUi ui;
  const auto missing = ui.shell_open(dir.file("missing-engine"), dir.path());
  const auto no_run_permission = ui.shell_open(not_runnable, dir.path());
  ASSERT_TRUE(missing && no_run_permission);
  EXPECT_FALSE(missing->empty());
#ifndef _WIN32
  // Windows runs no script of this kind and says the same for both.
  EXPECT_NE(*missing, *no_run_permission);
#endif
}

// After a modal window closes, the window that opened it has the keyboard
// again, at the control that had it, so Alt keys work without a click.
TEST(QtUiShowModal, TheOpenerGetsTheFocusBackWhenTheWindowCloses) {
  QMainWindow opener;
  auto* edit = new QLineEdit(&opener);
  opener.setCentralWidget(edit);
  opener.show();
  opener.activateWindow();
  edit->setFocus();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&opener));
  QDialog window(&opener);
  auto* field = new QLineEdit(&window);
  QtUi ui;
  ui.register_window("TForm3", &window);
  QTimer::singleShot(0, &window, [&] {
    field->setFocus();
    window.reject();
  });
  ui.show_modal("TForm3");
  EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::focusWidget() == edit; }, 5000));
  EXPECT_EQ(QApplication::activeWindow(), &opener);
}

}  // namespace
}  // namespace tarvex::qt
