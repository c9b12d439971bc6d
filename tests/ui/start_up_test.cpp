#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QAccessible>
#include <QAccessibleInterface>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>
#include <QTimer>

#include "platform/virtual_scheduler.h"
#include "qt/qt_ui.h"
#include "shell/main_window.h"
#include "shell/windows.h"
#include "support/temp_folder.h"

namespace tarvex::app {
using shell::create_other_windows;
using shell::TForm1;
namespace {

// What a screen reader would read for a control: its accessible name, or what
// Qt derives (a button's text, a label's buddy).
QString spoken_name(QWidget* w) {
  if (!w->accessibleName().isEmpty()) return w->accessibleName();
  QAccessibleInterface* face = QAccessible::queryAccessibleInterface(w);
  return face ? face->text(QAccessible::Name) : QString();
}

// The program as main() puts it together, on a copy of the demo folder: every
// window is created once, registered under its class name, and every control
// in it can be named by a screen reader.
TEST(StartUp, DemoFolderCreatesEveryWindowWithNamedControls) {
  testing::TempFolder dir;
  std::filesystem::copy(
      TARVEX_SOURCE_DIR "/demo", dir.path(),
      std::filesystem::copy_options::recursive | std::filesystem::copy_options::overwrite_existing);
  // Nothing here may wait for the operator; close any box that would.
  QTimer guard;
  int boxes_closed = 0;
  QObject::connect(&guard, &QTimer::timeout, [&] {
    if (QWidget* modal = QApplication::activeModalWidget()) {
      modal->close();
      ++boxes_closed;
    }
  });
  guard.start(50);

  qt::QtUi ui;
  platform::VirtualScheduler scheduler;
  TForm1 main_window(ui, scheduler, dir.path());
  ui.set_main_window(&main_window);
  create_other_windows(main_window, ui);
  EXPECT_EQ(boxes_closed, 0) << "the demo folder should start without a message";

  // A label that shows a value (a count, a status, a path) must let a screen
  // reader read it: a name of its own may not hide its text.
  auto labels_speak_their_text = [](QWidget* window, const std::string& name) {
    for (QLabel* label : window->findChildren<QLabel*>()) {
      const QString text = QString(label->text()).remove('&');
      if (label->accessibleName().isEmpty() || text.isEmpty()) continue;
      EXPECT_TRUE(label->accessibleName().contains(text))
          << name << ": " << label->objectName().toStdString() << " is spoken as \""
          << label->accessibleName().toStdString() << "\" and shows \"" << text.toStdString()
          << "\"";
    }
  };
  labels_speak_their_text(&main_window, "TForm1");
  const std::set<std::string> expected = {
      "TForm2",  "TForm3",  "TForm4",  "TForm5",  "TForm6",  "TForm7",  "TForm8",
      "TForm9",  "TForm10", "TForm11", "TForm12", "TForm14", "TForm15", "TForm16",
      "TForm17", "TForm18", "TForm19", "TForm20", "TForm21", "TForm22", "TForm23"};
  for (const std::string& name : expected) {
    QDialog* window = ui.window(name);
    ASSERT_NE(window, nullptr) << name;
    EXPECT_FALSE(window->windowTitle().isEmpty()) << name;
    for (QWidget* w : window->findChildren<QWidget*>()) {
      const bool control = qobject_cast<QAbstractButton*>(w) || qobject_cast<QLineEdit*>(w) ||
                           qobject_cast<QComboBox*>(w) || qobject_cast<QAbstractSpinBox*>(w) ||
                           qobject_cast<QTableView*>(w);
      // Editors that belong to a combo box or spin box are named by their
      // owner; a table's corner button is Qt's own.
      if (!control || qobject_cast<QComboBox*>(w->parentWidget()) ||
          qobject_cast<QAbstractSpinBox*>(w->parentWidget()) ||
          qstrcmp(w->metaObject()->className(), "QTableCornerButton") == 0)
        continue;
      EXPECT_FALSE(spoken_name(w).isEmpty())
          << name << ": " << w->metaObject()->className() << " " << w->objectName().toStdString();
    }
    labels_speak_their_text(window, name);
  }

  // The demo brings its manual, so "Help" offers it; it opens beside the
  // main window.
  QAction* manual = main_window.action("ViewKVProgrammerManual1");
  ASSERT_TRUE(manual->isVisible());
  manual->trigger();
  EXPECT_TRUE(ui.window("TForm15")->isVisible());
  EXPECT_EQ(boxes_closed, 0);
}

}  // namespace
}  // namespace tarvex::app
