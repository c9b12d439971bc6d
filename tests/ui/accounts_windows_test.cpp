#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QStyle>
#include <QTest>
#include <QTimer>

#include "app/accounts.h"
#include "app/event_log.h"
#include "app/ui/administrator_login_windows.h"
#include "app/ui/login_window.h"
#include "app/ui/user_log_window.h"
#include "app/ui/user_setup_window.h"
#include "app/user_codec.h"
#include "platform/virtual_scheduler.h"
#include "qt/string_grid_model.h"
#include "qt/string_grid_view.h"
#include "shell/main_window.h"
#include "support/scripted_ui.h"
#include "support/temp_folder.h"

namespace tarvex::app {
using shell::TForm1;
namespace {

using testing::ScriptedUi;
using testing::TempFolder;

const char* kFillIn = "Make sure that the \"Username\" and \"Password\" fields are filled in";

void write_users(const TempFolder& dir, const std::vector<std::string>& plain) {
  std::string bytes;
  for (const auto& line : plain) bytes += UserEncode(line) + "\r\n";
  dir.write(kUserFile, bytes);
}

// A main window over a temporary start-up folder, with nothing reported yet.
struct Program {
  TempFolder dir;
  ScriptedUi ui;
  platform::VirtualScheduler scheduler;
  TForm1 main{ui, scheduler, dir.path()};
  Program() { ui.messages.clear(); }  // no settings files here

  std::vector<EventEntry> log() const { return read_event_log(dir.file(kEventLogFile)); }
};

void type_login(QLineEdit* name, QLineEdit* password, const char* n, const char* p) {
  name->setText(n);
  password->setText(p);
}

TEST(LoginWindow, NamedControlsAndPasswordEcho) {
  Program p;
  TForm7 form(p.main, &p.main);
  EXPECT_EQ(form.windowTitle(), "Dralmora Login");
  auto* password = form.findChild<QLineEdit*>("MaskEdit1");
  ASSERT_NE(password, nullptr);
  EXPECT_EQ(password->echoMode(), QLineEdit::Password);
  EXPECT_EQ(password->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr, password),
            '*');
  EXPECT_EQ(password->accessibleName(), "Password:");
  EXPECT_EQ(form.findChild<QLineEdit*>("Edit1")->accessibleName(), "User Name:");
  auto* login = form.findChild<QPushButton*>("Button1");
  EXPECT_EQ(login->text(), "Login");
  EXPECT_TRUE(login->isDefault());
  EXPECT_EQ(form.findChild<QPushButton*>("Button2")->text(), "Exit");
}

TEST(LoginWindow, RefusalsKeepTheDialogAndTheTypedText) {
  Program p;
  write_users(p.dir, {"None", "admin", "root", "sam", "one"});
  TForm7 form(p.main, &p.main);
  form.show();
  form.Button1->click();
  type_login(form.Edit1, form.MaskEdit1, "sam", "root");
  form.Button1->click();
  EXPECT_EQ(p.ui.messages, (std::vector<std::string>{kFillIn, "Incorrect password!"}));
  EXPECT_TRUE(form.isVisible());
  EXPECT_EQ(form.Edit1->text(), "sam");
  EXPECT_EQ(form.MaskEdit1->text(), "root");
  EXPECT_TRUE(p.main.session().current_operator.empty());
  EXPECT_FALSE(platform::file_exists(p.dir.file(kEventLogFile)));
}

TEST(LoginWindow, AccountLoginSetsOperatorEmptiesFieldsAndLogs) {
  Program p;
  write_users(p.dir, {"None", "admin", "root", "sam", "one"});
  TForm7 form(p.main, &p.main);
  form.show();
  type_login(form.Edit1, form.MaskEdit1, "sam", "one");
  form.Button1->click();
  EXPECT_TRUE(p.ui.messages.empty());
  EXPECT_FALSE(form.isVisible());
  EXPECT_EQ(form.result(), QDialog::Accepted);
  EXPECT_TRUE(p.main.isVisible());
  EXPECT_EQ(p.main.session().current_operator, "sam");
  EXPECT_TRUE(form.Edit1->text().isEmpty());
  EXPECT_TRUE(form.MaskEdit1->text().isEmpty());
  const auto log = p.log();
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].user, "sam");
  EXPECT_EQ(log[0].event, "sam Logging in");

  // Shown again (after "Log Out"), the dialog waits for a user name.
  form.MaskEdit1->setFocus();
  form.show();
  EXPECT_EQ(form.focusWidget(), form.Edit1);
}

TEST(LoginWindow, ExitAndTheCloseBoxBothCloseTheMainWindow) {
  {
    Program p;
    TForm7 form(p.main, &p.main);
    form.show();
    ASSERT_TRUE(p.main.isVisible());
    form.Button2->click();
    EXPECT_FALSE(form.isVisible());
    EXPECT_FALSE(p.main.isVisible());
  }
  {
    Program p;
    TForm7 form(p.main, &p.main);
    form.show();
    form.close();
    EXPECT_FALSE(p.main.isVisible());
  }
}

TEST(LoginGate, MarkedAccountLogsOnWithoutTheDialog) {
  Program p;
  write_users(p.dir, {"sam", "admin", "root", "sam", "one"});
  p.main.run_login_gate();
  EXPECT_TRUE(p.ui.modal_windows.empty());
  EXPECT_EQ(p.main.session().current_operator, "sam");
  ASSERT_EQ(p.log().size(), 1u);
  EXPECT_EQ(p.log()[0].user, "sam");
  EXPECT_EQ(p.log()[0].event, "sam Logging in");
}

TEST(LoginGate, NoneEmptyOrMissingMarkShowsTheLoginDialog) {
  for (const std::string& first : {std::string("None"), std::string(), std::string("-")}) {
    Program p;
    if (first == "None") write_users(p.dir, {"None", "admin", "root"});
    if (first.empty()) p.dir.write(kUserFile, "\r\n" + UserEncode("admin") + "\r\n");
    p.main.run_login_gate();
    EXPECT_EQ(p.ui.modal_windows, std::vector<std::string>{"TForm7"}) << first;
    EXPECT_TRUE(p.ui.messages.empty());
    EXPECT_FALSE(platform::file_exists(p.dir.file(kEventLogFile)));
  }
}

TEST(LoginGate, LogOutThenLoginUnderAnotherNameCarriesTheNewName) {
  Program p;
  write_users(p.dir, {"admin", "admin", "root", "sam", "one"});
  TForm7 login(p.main, &p.main);
  p.ui.on_modal = [&](const std::string& window) {
    if (window != "TForm7") return 0;
    type_login(login.Edit1, login.MaskEdit1, "sam", "one");
    login.Button1->click();
    return static_cast<int>(login.result());
  };
  p.main.run_login_gate();
  p.main.action("LogOut1")->trigger();
  p.main.write_log("later");
  std::vector<std::string> seen;
  for (const auto& e : p.log()) seen.push_back(e.user + ": " + e.event);
  EXPECT_EQ(seen, (std::vector<std::string>{"admin: admin Logging in", "admin: admin Logging out",
                                            "sam: sam Logging in", "sam: later"}));
}

std::vector<std::string> rows(const platform::StringGrid& grid) {
  std::vector<std::string> out;
  for (int r = 1; r < grid.row_count(); ++r)
    out.push_back(grid.cell(0, r) + "|" + grid.cell(1, r) + "|" + grid.cell(2, r));
  return out;
}

// A real double click on a cell, as the mouse sends it.
void double_click(qt::StringGridView* view, int col, int row) {
  const QPoint at = view->visualRect(view->model()->index(row - 1, col)).center();
  for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease,
                            QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease}) {
    QMouseEvent event(type, at, view->viewport()->mapToGlobal(at), Qt::LeftButton,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(view->viewport(), &event);
  }
}

TEST(UserSetupWindow, EditsSelectsAndSavesAccounts) {
  Program p;
  write_users(p.dir, {"None", "admin", "root", "sam", "one"});
  TForm10 form(p.main, &p.main);
  EXPECT_EQ(form.windowTitle(), "User Setup");
  form.show();
  EXPECT_EQ(rows(form.grid()),
            (std::vector<std::string>{"admin|root|Unselected", "sam|one|Unselected"}));
  form.Button1->click();  // Add
  auto* model = form.StringGrid1->grid_model();
  model->setData(model->index(2, 0), "kim", Qt::EditRole);
  model->setData(model->index(2, 1), "pw", Qt::EditRole);
  double_click(form.StringGrid1, 2, 3);
  double_click(form.StringGrid1, 2, 2);
  double_click(form.StringGrid1, 0, 1);  // opens the editor, selects nothing
  EXPECT_NE(form.StringGrid1->viewport()->findChild<QLineEdit*>(), nullptr);
  form.StringGrid1->setCurrentIndex(model->index(0, 1));
  form.Button2->click();  // Remove admin
  form.Button3->click();  // Save
  EXPECT_TRUE(p.ui.messages.empty());
  EXPECT_TRUE(form.isVisible());
  EXPECT_EQ(p.dir.read(kUserFile), UserEncode("sam") + "\r\n" + UserEncode("sam") + "\r\n" +
                                       UserEncode("one") + "\r\n" + UserEncode("kim") + "\r\n" +
                                       UserEncode("pw") + "\r\n");
}

// As the operator meets the window: shown modally, keys typed into cells and
// buttons clicked with the mouse, without Enter or Tab after the typing.
TEST(UserSetupWindow, ModalTypingIsKeptByAddAndSave) {
  Program p;
  write_users(p.dir, {"None", "admin", "root"});
  TForm10 form(p.main, &p.main);
  qt::StringGridView* view = form.StringGrid1;
  auto click_cell = [&](int col, int row) {
    const QPoint at = view->visualRect(view->model()->index(row - 1, col)).center();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
  };
  auto type = [&](const char* text) {
    for (const char* c = text; *c; ++c)
      QTest::keyClick(view->cell_editor() ? view->cell_editor() : view, *c);
  };
  bool acted = false;
  QTimer::singleShot(0, [&] {
    if (!QTest::qWaitForWindowActive(&form)) return form.reject();
    click_cell(kPasswordCol, 1);
    type("secret");
    QTest::mouseClick(form.Button1, Qt::LeftButton);  // Add
    click_cell(kUserNameCol, 2);
    type("kim");
    QTest::mouseClick(form.Button3, Qt::LeftButton);  // Save
    acted = true;
    QTest::mouseClick(form.Button4, Qt::LeftButton);  // Cancel
  });
  form.exec();
  ASSERT_TRUE(acted);
  EXPECT_EQ(p.dir.read(kUserFile), UserEncode("None") + "\r\n" + UserEncode("admin") + "\r\n" +
                                       UserEncode("secret") + "\r\n" + UserEncode("kim") +
                                       "\r\n\r\n");
}

TEST(UserSetupWindow, CancelDropsUnsavedEditsAndShowingAgainReloads) {
  Program p;
  TForm10 form(p.main, &p.main);
  form.show();  // no user.dat: one empty row
  EXPECT_EQ(rows(form.grid()), std::vector<std::string>{"||Unselected"});
  form.Button2->click();  // Remove of the only row does nothing
  form.Button1->click();
  form.Button4->click();  // Cancel
  EXPECT_FALSE(form.isVisible());
  EXPECT_FALSE(platform::file_exists(p.dir.file(kUserFile)));
  form.show();
  EXPECT_EQ(rows(form.grid()), std::vector<std::string>{"||Unselected"});

  // "Save" with no file creates it: one empty account, no auto-logon.
  form.Button3->click();
  EXPECT_EQ(p.dir.read(kUserFile), UserEncode("None") + "\r\n\r\n\r\n");
}

TEST(AdministratorLogin, OnlyTheFirstAccountOrMasterOpensTheProtectedWindow) {
  Program p;
  write_users(p.dir, {"None", "admin", "root", "sam", "one"});
  TForm9 setup(p.main, &p.main);
  TForm18 log(p.main, &p.main);
  EXPECT_EQ(setup.windowTitle(), "User Setup Login");
  EXPECT_EQ(log.windowTitle(), "User Log Login");

  setup.show();
  type_login(setup.Edit1, setup.MaskEdit1, "sam", "one");
  setup.Button1->click();
  EXPECT_TRUE(p.ui.modal_windows.empty());
  EXPECT_TRUE(p.ui.messages.empty());
  EXPECT_EQ(setup.Edit1->text(), "sam");
  EXPECT_TRUE(setup.isVisible());

  type_login(setup.Edit1, setup.MaskEdit1, "admin", "root");
  setup.Button1->click();
  EXPECT_EQ(p.ui.modal_windows, std::vector<std::string>{"TForm10"});
  EXPECT_FALSE(setup.isVisible());
  EXPECT_TRUE(setup.Edit1->text().isEmpty());

  // The log dialog empties what was left typed when it is shown again.
  log.show();
  type_login(log.Edit1, log.MaskEdit1, "", "x");
  log.Button1->click();
  EXPECT_EQ(p.ui.messages, std::vector<std::string>{kFillIn});
  log.Button2->click();
  log.show();
  EXPECT_TRUE(log.MaskEdit1->text().isEmpty());
  type_login(log.Edit1, log.MaskEdit1, "Fendrust", "3816452");
  log.Button1->click();
  EXPECT_EQ(p.ui.modal_windows, (std::vector<std::string>{"TForm10", "TForm19"}));
}

TEST(UserLogWindow, ShowsTheLogAndClearLeavesOneEntry) {
  Program p;
  TForm19 form(p.main, &p.main);
  form.show();
  EXPECT_EQ(p.ui.messages, std::vector<std::string>{"KV_Programmer can not find the log file!"});
  form.hide();

  p.main.session().current_operator = "admin";
  p.main.write_log("one");
  p.main.write_log("two");
  form.show();
  ASSERT_EQ(form.grid().row_count(), 4);
  EXPECT_EQ(form.grid().cell(0, 1), "admin");
  EXPECT_EQ(form.grid().cell(3, 2), "two");
  EXPECT_EQ(form.StringGrid1->columnWidth(3), 340);

  form.Button2->click();  // Clear Log: the grid keeps its rows until shown again
  EXPECT_EQ(form.grid().row_count(), 4);
  form.Button1->click();
  EXPECT_FALSE(form.isVisible());
  form.show();
  ASSERT_EQ(form.grid().row_count(), 3);
  EXPECT_EQ(form.grid().cell(0, 1), "admin");
  EXPECT_EQ(form.grid().cell(3, 1), "Event log cleared");
  EXPECT_EQ(p.ui.messages.size(), 1u);
}

}  // namespace
}  // namespace tarvex::app
