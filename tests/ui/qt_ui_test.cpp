#include "qt/qt_ui.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFileDialog>
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

}  // namespace
}  // namespace tarvex::qt
