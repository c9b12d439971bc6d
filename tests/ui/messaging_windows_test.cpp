#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "app/event_log.h"
#include "app/ui/main_window.h"
#include "outbound/ui/send_message_window.h"
#include "platform/text_file.h"
#include "platform/virtual_scheduler.h"
#include "support/scripted_ui.h"
#include "support/temp_folder.h"

namespace tarvex::outbound {
namespace {

// A start-up folder whose programming folder is "Out", the main window, and
// the sending windows shown modally the way the program shows them.
class MessagingWindows : public ::testing::Test {
 protected:
  MessagingWindows() {
    dir.write("setup.txt", "Out\r\nDevices\r\nIn\r\n\r\n\r\nFunctions\r\n1\r\n");
    dir.write("Config.ini", "P\r\nS\r\nAP\r\nAS\r\n");
    dir.write("Hardware.ini", "K71 Morvane\r\n");
    dir.write("History.ini", "");
    main = std::make_unique<app::TForm1>(ui, scheduler, dir.path());
    main->Edit1->setText("+27821234567");
    main->Edit2->setText("1234");
    ui.on_modal = [this](const std::string& name) {
      QDialog* window = windows.at(name);
      return window->exec();
    };
  }

  // Triggers the menu entry and runs act inside the window it opens; returns
  // whether the window closed by itself (a still open one is cancelled).
  bool open(const char* entry, QDialog* window, const std::function<void()>& act) {
    bool closed = false;
    QTimer::singleShot(0, [&] {
      act();
      closed = !window->isVisible();
      if (!closed) window->reject();
    });
    main->action(entry)->trigger();
    return closed;
  }

  std::vector<std::string> log() const {
    std::vector<std::string> events;
    if (!platform::file_exists(dir.file("prpl.dat"))) return events;
    for (const auto& e : app::read_event_log(dir.file("prpl.dat"))) events.push_back(e.event);
    return events;
  }

  testing::TempFolder dir;
  testing::ScriptedUi ui;
  platform::VirtualScheduler scheduler;
  std::unique_ptr<app::TForm1> main;
  std::map<std::string, QDialog*> windows;
};

TEST_F(MessagingWindows, SendMessageTypedAndSentWithEnterThenAnsweringAnIncomingText) {
  TForm3 form(*main);
  windows["TForm3"] = &form;
  ASSERT_TRUE(main->action("SendMessage1")->isVisible());
  EXPECT_TRUE(main->action("SendMessage2")->isVisible());

  const bool closed = open("SendMessage1", &form, [&] {
    EXPECT_EQ(form.ComboBox1->currentText(), "+27821234567");
    EXPECT_EQ(form.Label4->text(), "160");
    QTest::keyClicks(form.Memo1, "Arm now");
    EXPECT_EQ(form.Label4->text(), "153");
    QTest::keyClick(form.Memo1, Qt::Key_Return);
  });
  EXPECT_TRUE(closed);
  EXPECT_EQ(dir.read("Out/+27821234567_1.txt"), "+27821234567,7,Arm now");
  EXPECT_EQ(ui.messages, std::vector<std::string>{"One message was send to +27821234567!"});
  EXPECT_EQ(log(), std::vector<std::string>{"SMS send to: +27821234567"});

  // A double click on an incoming message: its text, and no number.
  main->session().preset_text = "Zone 3 open";
  const bool answered = open("SendMessage2", &form, [&] {
    EXPECT_EQ(form.Memo1->toPlainText(), "Zone 3 open");
    EXPECT_EQ(form.ComboBox1->currentText(), "");
    EXPECT_EQ(form.ComboBox1->count(), 1);
    QTest::keyClicks(form.ComboBox1->lineEdit(), "0821112222");
    // 160 characters at most; what is typed beyond them is dropped.
    QTest::keyClicks(form.Memo1, QString(160, 'x'));
    EXPECT_EQ(form.Memo1->toPlainText().size(), 160);
    EXPECT_EQ(form.Label4->text(), "0");
    QTest::mouseClick(form.Button1, Qt::LeftButton);
  });
  EXPECT_TRUE(answered);
  EXPECT_EQ(main->session().preset_text, "");
  EXPECT_EQ(dir.read("Out/0821112222_2.txt"),
            "0821112222,7,Zone 3 open" + std::string(160 - 11, 'x'));
  ASSERT_EQ(form.ComboBox1->count(), 2);
  EXPECT_EQ(form.ComboBox1->itemText(0), "0821112222");

  // Cancel sends nothing; the text and the check box stay for next time.
  main->session().preset_number = "+27830000000";
  const bool cancelled = open("SendMessage1", &form, [&] {
    EXPECT_EQ(form.ComboBox1->currentText(), "+27830000000");
    form.CheckBox1->setChecked(true);
    QTest::mouseClick(form.Button2, Qt::LeftButton);
  });
  EXPECT_TRUE(cancelled);
  EXPECT_EQ(main->session().preset_number, "");
  EXPECT_EQ(form.ComboBox1->count(), 3);
  EXPECT_EQ(form.Memo1->toPlainText().size(), 160);
  EXPECT_TRUE(form.CheckBox1->isChecked());
  EXPECT_EQ(platform::list_files(dir.file("Out"), "*").size(), 2u);
}

}  // namespace
}  // namespace tarvex::outbound
