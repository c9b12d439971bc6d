#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "app/event_log.h"
#include "outbound/ui/bulk_messages_window.h"
#include "outbound/ui/control_panel_window.h"
#include "outbound/ui/message_memo.h"
#include "outbound/ui/send_message_window.h"
#include "platform/text_file.h"
#include "platform/virtual_scheduler.h"
#include "qt/string_grid_view.h"
#include "shell/main_window.h"
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
    main = std::make_unique<shell::TForm1>(ui, scheduler, dir.path());
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
      // Laid out and shown, so that clicks land on cells.
      EXPECT_TRUE(QTest::qWaitForWindowExposed(window));
      act();
      closed = !window->isVisible();
      if (!closed) window->reject();
    });
    main->action(entry)->trigger();
    return closed;
  }

  // Real mouse and key events on a grid cell (grid coordinates).
  static QPoint cell(qt::StringGridView* view, int col, int row) {
    return view->visualRect(view->model()->index(row - 1, col)).center();
  }
  // What the mouse sends for a click (press, release) or a double click
  // (press, release, double click, release) on a cell.
  static void mouse_on(qt::StringGridView* view, int col, int row, bool twice) {
    const QPoint at = cell(view, col, row);
    std::vector<QEvent::Type> types = {QEvent::MouseButtonPress, QEvent::MouseButtonRelease};
    if (twice) types.insert(types.end(), {QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease});
    for (QEvent::Type type : types) {
      QMouseEvent event(type, at, view->viewport()->mapToGlobal(at), Qt::LeftButton,
                        type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton,
                        Qt::NoModifier);
      QApplication::sendEvent(view->viewport(), &event);
    }
  }
  static void double_click(qt::StringGridView* view, int col, int row) {
    mouse_on(view, col, row, true);
  }
  // Typed into a cell and ended with Enter.
  static void type_into(qt::StringGridView* view, int col, int row, const QString& text) {
    mouse_on(view, col, row, false);
    QTest::keyClicks(view, text.left(1));
    QWidget* editor = view->cell_editor();
    ASSERT_NE(editor, nullptr);
    QTest::keyClicks(editor, text.mid(1));
    QTest::keyClick(editor, Qt::Key_Return);
    // The editor hands its text over from the event queue.
    QApplication::processEvents();
  }

  // Typed into a cell and left open: no Enter, no click elsewhere.
  static QWidget* type_open(qt::StringGridView* view, int col, int row, const QString& text) {
    mouse_on(view, col, row, false);
    QTest::keyClicks(view, text.left(1));
    QWidget* editor = view->cell_editor();
    if (editor) QTest::keyClicks(editor, text.mid(1));
    return editor;
  }
  // A menu entry chosen with the keyboard: Alt and the menu's letter, then
  // the entry's letter in the menu that opens.
  static void choose(QWidget* focus, Qt::Key menu, Qt::Key entry) {
    QTest::keyClick(focus, menu, Qt::AltModifier);
    QWidget* popup = QApplication::activePopupWidget();
    ASSERT_NE(popup, nullptr);
    QTest::keyClick(popup, entry);
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
  std::unique_ptr<shell::TForm1> main;
  std::map<std::string, QDialog*> windows;
};

TEST_F(MessagingWindows, SendMessageTypedAndSentWithEnterThenAnsweringAnIncomingText) {
  TForm3 form(*main, main->email(), main.get());
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

TEST_F(MessagingWindows, ControlPanelSendsTheDoubleClickedFunctionAndKeepsItsFile) {
  dir.write("Functions/gate.fun",
            "+27829999999\r\n9999\r\nGate\r\nArm\xFE"
            "A1\r\nEmpty\xFE\r\n");
  TForm8 form(*main, main->email(), main.get());
  windows["TForm8"] = &form;
  form.tag_source = [] { return 42; };
  ASSERT_TRUE(main->action("ControlPanel1")->isVisible());
  EXPECT_EQ(form.windowTitle(), "Control Pannel");
  EXPECT_EQ(form.Label5->text(), "Function Dir: Functions");
  auto item = [&](const char* name) { return form.MainMenu1->findChild<QAction*>(name); };

  open("ControlPanel1", &form, [&] {
    EXPECT_EQ(form.Label3->text(), "No message send");
    ui.dialog_answers = {dir.file("Functions/gate.fun")};
    item("OpenUnit1")->trigger();
    EXPECT_EQ(form.Edit1->text(), "+27829999999");
    ASSERT_EQ(form.grid().row_count(), 4);
    item("UseforCurrentDevice1")->trigger();
    EXPECT_EQ(form.Edit1->text(), "+27821234567");
    EXPECT_EQ(form.Edit3->text(), "Gate");

    double_click(form.StringGrid1, 0, 1);
    EXPECT_EQ(form.Label3->text(), "\"P1234A1\" was send to +27821234567");
    scheduler.advance(4999);
    EXPECT_EQ(form.Label3->text(), "\"P1234A1\" was send to +27821234567");
    scheduler.advance(1);
    EXPECT_EQ(form.Label3->text(), "No Message Send");
    double_click(form.StringGrid1, 1, 2);
    EXPECT_EQ(ui.messages, std::vector<std::string>{"This cell does not have any text to send"});

    // A function typed into the spare row, then saved under a new name.
    type_into(form.StringGrid1, 1, 3, "S9");
    EXPECT_EQ(form.grid().cell(1, 3), "S9");
    QTest::mouseClick(form.Button1, Qt::LeftButton);
    ui.dialog_answers = {dir.file("Functions/copy.fun")};
    item("SaveUnit1")->trigger();
  });
  EXPECT_EQ(dir.read("Out/+27821234567_42.txt"), "NONE\r\nReport:N\r\n+27821234567,7,P1234A1\r\n");
  EXPECT_EQ(dir.read("Functions/copy.fun"),
            "+27821234567\r\n1234\r\nGate\r\nArm\xFE"
            "A1\r\nEmpty\xFE\r\n\xFES9\r\n\xFE\r\n\r\n");
  EXPECT_EQ(log(),
            (std::vector<std::string>{"Function file Opened: " + dir.file("Functions/gate.fun"),
                                      "Function: A1 send to: +27821234567"}));
}

TEST_F(MessagingWindows, BulkMessagesToANewListThenKeptAsAGroup) {
  TForm4 form(*main, main.get());
  windows["TForm4"] = &form;
  form.tag_source = [] { return 7; };
  ASSERT_TRUE(main->action("SendBulkMessages1")->isVisible());
  ASSERT_TRUE(main->action("SendBulkMessage2")->isVisible());
  EXPECT_FALSE(form.action("UpdateDatabaseFromExcelSpredsheet1")->isEnabled());

  open("SendBulkMessages1", &form, [&] {
    EXPECT_EQ(form.windowTitle(), "Bulk Messages");
    EXPECT_FALSE(form.Button3->isEnabled());
    type_into(form.StringGrid1, 0, 1, "+27821");
    QTest::mouseClick(form.Button2, Qt::LeftButton);
    EXPECT_TRUE(form.Button3->isEnabled());
    type_into(form.StringGrid1, 0, 2, "+27822");
    EXPECT_EQ(form.windowTitle(), "Bulk Messages");  // no file yet: no "*"
    double_click(form.StringGrid1, 1, 2);
    EXPECT_EQ(form.grid().cell(1, 2), "Selected");

    QTest::keyClicks(form.Memo1, "Gate");
    QTest::keyClick(form.Memo1, Qt::Key_Return);
    QTest::keyClicks(form.Memo1, "open");
    EXPECT_EQ(ui.messages,
              std::vector<std::string>{"Do not use Carriage returns in your message!"});
    EXPECT_EQ(form.Label4->text(), "150");  // the line break is written as CR LF
    form.action("Send1")->trigger();
    EXPECT_EQ(form.grid().cell(1, 1), "Unselected");
    QTest::keyClicks(form.Memo1, QString(160, 'x'));
    EXPECT_EQ(memo_bytes(form.Memo1).size(), 160u);
    EXPECT_EQ(form.Label4->text(), "0");
    form.Memo1->setPlainText("Gate\nopen");
    EXPECT_EQ(form.grid().cell(1, 2), "Send");

    ui.dialog_answers = {dir.file("Groups/site.grp")};
    form.action("SaveGroup1")->trigger();
    EXPECT_EQ(form.windowTitle(), "Bulk Messages site.grp");
    QTest::mouseClick(form.Button2, Qt::LeftButton);
    EXPECT_EQ(form.windowTitle(), "Bulk Messages site.grp*");
    form.action("Exit1")->trigger();
  });
  EXPECT_EQ(dir.read("Out/+27822_72.txt"), "+27822,7,Gate\r\nopen\r\n");
  EXPECT_EQ(ui.messages.back(), "1 Message(s) was send");
  EXPECT_EQ(dir.read("Groups/site.grp"), "+27821\r\n+27822\r\n\r\n");
  // Reopened: the list, caption and message are as they were left.
  open("SendBulkMessage2", &form, [&] {
    EXPECT_EQ(form.grid().row_count(), 4);
    EXPECT_TRUE(form.Button3->isEnabled());
    EXPECT_EQ(form.windowTitle(), "Bulk Messages site.grp*");
  });
}

TEST_F(MessagingWindows, ControlPanelKeepsALongerPasswordReadFromAFileWhole) {
  dir.write("Functions/long.fun",
            "+27829999999\r\n12345\r\nGate\r\nArm\xFE"
            "A1\r\n");
  TForm8 form(*main, main->email(), main.get());
  windows["TForm8"] = &form;
  form.tag_source = [] { return 3; };
  open("ControlPanel1", &form, [&] {
    QTest::keyClicks(form.Edit2, "99999");
    EXPECT_EQ(form.Edit2->text(), "9999");  // typing stops at four
    ui.dialog_answers = {dir.file("Functions/long.fun")};
    form.OpenUnit1Click();
    EXPECT_EQ(form.Edit2->text(), "12345");
    double_click(form.StringGrid1, 1, 1);
    ui.dialog_answers = {dir.file("Functions/copy.fun")};
    form.SaveUnit1Click();
  });
  EXPECT_EQ(dir.read("Out/+27829999999_3.txt"), "NONE\r\nReport:N\r\n+27829999999,7,P12345A1\r\n");
  EXPECT_EQ(dir.read("Functions/copy.fun").substr(0, 21), "+27829999999\r\n12345\r\n");
}

TEST_F(MessagingWindows, UnsavedGroupAndFunctionChangesAreAskedAboutBeforeTheyGo) {
  const std::string question = "Changes was made to the device do you want to save the changes?";
  dir.write("Groups/site.grp", "+27821\r\n");
  TForm4 bulk(*main, main.get());
  windows["TForm4"] = &bulk;
  const bool closed = open("SendBulkMessages1", &bulk, [&] {
    ui.dialog_answers = {dir.file("Groups/site.grp")};
    bulk.OpenGroup1Click();
    QTest::mouseClick(bulk.Button2, Qt::LeftButton);
    ASSERT_EQ(bulk.windowTitle(), "Bulk Messages site.grp*");
    ui.answers = {platform::Answer::Cancel, platform::Answer::Cancel, platform::Answer::Cancel};
    bulk.NewGroup1Click();
    bulk.OpenGroup1Click();
    QTest::keyClick(bulk.Memo1, Qt::Key_Escape);
    EXPECT_EQ(ui.questions, std::vector<std::string>(3, question));
    EXPECT_TRUE(bulk.isVisible());
    EXPECT_EQ(bulk.grid().row_count(), 3);
    // "Yes" saves and stays; the next Exit goes without a question.
    ui.answers = {platform::Answer::Yes};
    ui.dialog_answers = {dir.file("Groups/site.grp")};
    bulk.action("Exit1")->trigger();
    EXPECT_TRUE(bulk.isVisible());
    EXPECT_EQ(bulk.windowTitle(), "Bulk Messages site.grp");
    bulk.action("Exit1")->trigger();
  });
  EXPECT_TRUE(closed);
  EXPECT_EQ(ui.questions.size(), 4u);
  EXPECT_EQ(dir.read("Groups/site.grp"), "+27821\r\n\r\n\r\n");

  TForm8 panel(*main, main->email(), main.get());
  windows["TForm8"] = &panel;
  ui.questions.clear();
  const bool dropped = open("ControlPanel1", &panel, [&] {
    QTest::mouseClick(panel.Button1, Qt::LeftButton);
    ui.answers = {platform::Answer::Cancel, platform::Answer::No};
    panel.NewUnit1Click();
    EXPECT_EQ(panel.grid().row_count(), 3);
    panel.NewUnit1Click();
    EXPECT_EQ(panel.grid().row_count(), 2);
    QTest::keyClick(panel.Edit1, Qt::Key_Escape);
  });
  EXPECT_TRUE(dropped);
  EXPECT_EQ(ui.questions, std::vector<std::string>(2, question));
}

TEST_F(MessagingWindows, MenuEntriesAndShortcutsSeeTheTextOfAnOpenCellEditor) {
  TForm8 panel(*main, main->email(), main.get());
  windows["TForm8"] = &panel;
  open("ControlPanel1", &panel, [&] {
    QWidget* editor = type_open(panel.StringGrid1, 1, 1, "A7");
    ASSERT_NE(editor, nullptr);
    ui.dialog_answers = {dir.file("Functions/typed.fun")};
    choose(editor, Qt::Key_F, Qt::Key_S);  // File > Save Unit
  });
  EXPECT_EQ(dir.read("Functions/typed.fun"),
            "+27\r\n\r\n\r\n\xFE"
            "A7\r\n\r\n");

  TForm4 bulk(*main, main.get());
  windows["TForm4"] = &bulk;
  bulk.tag_source = [] { return 5; };
  open("SendBulkMessages1", &bulk, [&] {
    bulk.SelectAllNumbers1Click();
    QTest::keyClicks(bulk.Memo1, "Hi");
    QWidget* editor = type_open(bulk.StringGrid1, 0, 1, "+27829");
    ASSERT_NE(editor, nullptr);
    QTest::keyClick(editor, Qt::Key_S, Qt::AltModifier);  // the menu-bar entry "Send"
  });
  EXPECT_EQ(dir.read("Out/+27829_51.txt"), "+27829,7,Hi\r\n");
}

}  // namespace
}  // namespace tarvex::outbound
