#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "app/event_log.h"
#include "outbound/email_channel.h"
#include "outbound/ui/email_account_window.h"
#include "outbound/ui/email_security_window.h"
#include "platform/text_file.h"
#include "platform/virtual_scheduler.h"
#include "shell/main_window.h"
#include "support/scripted_smtp_server.h"
#include "support/scripted_ui.h"
#include "support/temp_folder.h"

namespace tarvex::outbound {
namespace {

void double_click(QWidget* widget) {
  const QPointF at(2, 2);
  QMouseEvent event(QEvent::MouseButtonDblClick, at, widget->mapToGlobal(at), Qt::LeftButton,
                    Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(widget, &event);
}

EmailSettings account() {
  return {"Tarvex Security", "+27115550000", "anna@tarvex.example", "mail.example.net",
          "tarvex",          "ACC77",        "prog@tarvex.example"};
}

class EmailAccountWindowTest : public ::testing::Test {
 protected:
  testing::TempFolder dir;
  testing::ScriptedUi ui;
  platform::VirtualScheduler scheduler;
  app::Session session{ui, scheduler, dir.path()};
  EmailChannel channel{session, std::make_unique<testing::ScriptedSmtpServer>()};
};

TEST_F(EmailAccountWindowTest, HiddenSpotsUnlockTheSendToAddressUntilTheNextOpening) {
  TForm21 form(channel);
  // No eset.ini yet: reported at creation, and the default mailbox shows.
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_NE(ui.messages[0].find("eset.ini"), std::string::npos);
  EXPECT_EQ(form.windowTitle(), "Setup Email Account");
  EXPECT_EQ(form.height(), 291);
  EXPECT_FALSE(form.GroupBox1->isVisibleTo(&form));
  EXPECT_EQ(form.Edit5->text(), kDefaultProgrammingMailbox);
  EXPECT_TRUE(form.Edit5->isReadOnly());
  EXPECT_TRUE(form.Button1->isDefault());

  form.show();
  // Every opening reads the file again, and reports it missing again.
  EXPECT_EQ(ui.messages.size(), 2u);
  double_click(form.Label5);
  EXPECT_EQ(form.height(), 376);
  EXPECT_TRUE(form.GroupBox1->isVisible());
  EXPECT_TRUE(form.Edit5->isReadOnly());
  double_click(form.Label9);
  EXPECT_FALSE(form.Edit5->isReadOnly());

  const QString values[7] = {"Owner", "012 345", "me@x.example", "localhost:2525",
                             "login", "A1",      "box@x.example"};
  QLineEdit* edits[7] = {form.Edit1, form.Edit2, form.Edit3, form.Edit4,
                         form.Edit7, form.Edit6, form.Edit5};
  for (int i = 0; i < 7; ++i) edits[i]->setText(values[i]);
  form.Button1->click();
  EXPECT_TRUE(form.isVisible());  // "Apply" keeps the window open
  const EmailSettings saved = {"Owner", "012 345", "me@x.example", "localhost:2525",
                               "login", "A1",      "box@x.example"};
  EXPECT_EQ(channel.settings(), saved);
  EmailSettings from_file;
  EXPECT_EQ(read_email_settings(dir.file("eset.ini"), from_file), std::nullopt);
  EXPECT_EQ(from_file, saved);

  // Typed but not applied, then reopened: short, locked, and the file's values.
  form.Edit1->setText("typed");
  form.hide();
  form.show();
  EXPECT_EQ(form.height(), 291);
  EXPECT_FALSE(form.GroupBox1->isVisible());
  EXPECT_TRUE(form.Edit5->isReadOnly());
  EXPECT_EQ(form.Edit1->text(), "Owner");
  EXPECT_EQ(ui.messages.size(), 2u);
  form.hide();
}

TEST_F(EmailAccountWindowTest, CancelClosesWithoutSaving) {
  ASSERT_TRUE(channel.save_email_settings(account()));
  TForm21 form(channel);
  form.show();
  EXPECT_EQ(form.Edit4->text(), "mail.example.net");
  form.Edit4->setText("other.example.net");
  form.Button2->click();
  EXPECT_FALSE(form.isVisible());
  EXPECT_EQ(form.result(), QDialog::Rejected);
  EXPECT_EQ(channel.settings(), account());
  EmailSettings from_file;
  read_email_settings(dir.file("eset.ini"), from_file);
  EXPECT_EQ(from_file, account());
}

TEST(MainWindowEmail, ProgramViaEmailMarksRowsLocksTheMenuForFiveSecondsAndLogs) {
  testing::TempFolder dir;
  testing::ScriptedUi ui;
  platform::VirtualScheduler scheduler;
  shell::TForm1 form(ui, scheduler, dir.path());
  ui.messages.clear();  // the missing settings files of the empty folder
  auto transport = std::make_unique<testing::ScriptedSmtpServer>();
  testing::ScriptedSmtpServer* server = transport.get();
  form.email().NMSMTP1().set_transport(std::move(transport));
  ASSERT_TRUE(form.email().save_email_settings(account()));
  form.session().current_operator = "Anna";

  QAction* program_via_email = form.action("ProgramViaEmail1");
  ASSERT_NE(program_via_email, nullptr);
  EXPECT_TRUE(program_via_email->isVisible());
  EXPECT_TRUE(form.action("SetupEmailAccount1")->isVisible());
  form.action("SetupEmailAccount1")->trigger();
  EXPECT_EQ(ui.modal_windows, (std::vector<std::string>{"TForm21"}));

  form.Edit1->setText("+27821234567");
  form.Edit2->setText("1234");
  platform::StringGrid& grid = form.maingrid();
  grid.set_row_count(3);
  grid.set_row_cells(1, {"Arm", "12", "4", "1", "ABC", "Selected"});
  grid.set_row_cells(2, {"Bad", "123456", "4", "", "", "Selected"});
  program_via_email->trigger();

  EXPECT_EQ(grid.cell(5, 1), "Message is Programmed");
  EXPECT_EQ(grid.cell(5, 2), "Message Error");
  EXPECT_NE(server->data.find(">>\r\n#1234pgm12\"1ABC\"\r\n<<\r\n"), std::string::npos);
  EXPECT_EQ(ui.messages.back(), "1 Messages have been programmed!");
  const auto log = app::read_event_log(dir.file("prpl.dat"));
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log.back().event, "Programing: +27821234567 via email");
  EXPECT_EQ(log.back().user, "Anna");

  QAction* program_menu = form.action("Program1");
  EXPECT_FALSE(program_menu->isEnabled());
  scheduler.advance(4999);
  EXPECT_FALSE(program_menu->isEnabled());
  scheduler.advance(1);
  EXPECT_TRUE(program_menu->isEnabled());
  EXPECT_FALSE(form.timer(2).enabled());
}

// Reached from "Setup Email Account" and used modally, by keyboard alone.
TEST_F(EmailAccountWindowTest, SecurityWindowStoresTheLoginPrivatelyAndRefusesABadPort) {
  TForm21 form(channel);
  EmailSecurityWindow security(channel);
  std::vector<std::string> seen_in_modal;
  ui.on_modal = [&](const std::string& name) {
    if (name != "EmailSecurityWindow") return 0;
    QTimer::singleShot(0, &security, [&] {
      QApplication::setActiveWindow(&security);
      QWidget* focused = security.focusWidget();
      seen_in_modal.push_back(focused ? focused->objectName().toStdString() : "");
      QTest::keyClick(focused, Qt::Key_Down);  // None -> STARTTLS
      seen_in_modal.push_back(security.PortEdit->placeholderText().toStdString());
      QTest::keyClick(focused, Qt::Key_Tab);
      QTest::keyClicks(security.focusWidget(), "70000");
      QTest::keyClick(security.focusWidget(), Qt::Key_Return);
      // Refused: the window stays, with the port to mend.
      seen_in_modal.push_back(security.isVisible() ? "still open" : "closed");
      security.PortEdit->clear();
      QTest::keyClicks(security.PortEdit, "2587");
      QTest::keyClick(security.PortEdit, Qt::Key_Tab);
      QTest::keyClicks(security.focusWidget(), "anna");
      QTest::keyClick(security.focusWidget(), Qt::Key_Tab);
      // Beyond Latin-1: the login goes out as UTF-8.
      for (const QChar c : QString::fromUtf8("s\xC3\xA9"
                                             "cret \xC5\x82"))
        QTest::sendKeyEvent(QTest::Click, security.focusWidget(), Qt::Key_unknown, QString(c),
                            Qt::NoModifier);
      QTest::keyClick(security.focusWidget(), Qt::Key_Return);
    });
    return security.exec();
  };
  form.show();
  ui.messages.clear();  // no eset.ini yet
  form.SecurityButton->click();
  EXPECT_EQ(ui.modal_windows, std::vector<std::string>{"EmailSecurityWindow"});
  EXPECT_EQ(seen_in_modal, (std::vector<std::string>{"SecurityBox", "587", "still open"}));
  EXPECT_EQ(ui.messages, std::vector<std::string>{kBadPort});
  EXPECT_EQ(security.result(), QDialog::Accepted);
  const EmailSecurity expected{SmtpSecurity::StartTls, 2587, "anna",
                               "s\xC3\xA9"
                               "cret \xC5\x82",
                               ""};
  EXPECT_EQ(channel.security(), expected);
  EmailSecurity from_file;
  EXPECT_EQ(read_email_security(dir.file(kEmailSecurityFile), from_file), std::nullopt);
  EXPECT_EQ(from_file, expected);
  EXPECT_EQ(security.PasswordEdit->echoMode(), QLineEdit::Password);
  EXPECT_EQ(security.PasswordEdit->accessibleName(), "Password:");
  // The described window keeps its size.
  EXPECT_EQ(form.height(), 291);
  form.hide();
}

}  // namespace
}  // namespace tarvex::outbound
