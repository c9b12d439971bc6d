#include "shell/main_window.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCursor>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPainter>
#include <QPixmap>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStandardItemModel>
#include <QSystemTrayIcon>
#include <QTableView>
#include <QTextEdit>
#include <QVBoxLayout>

#include "app/accounts.h"
#include "app/event_log.h"
#include "app/settings_files.h"
#include "app/user_codec.h"
#include "qt/named_control.h"
#include "qt/string_grid_view.h"
#include "qt/text_convert.h"

namespace tarvex::shell {

// The main window is built on the program's foundation: settings, accounts,
// layout and event log.
using namespace app;

namespace {

using qt::named;

using qt::latin1;

// The caption of a Setup entry that shows a stored value: its first letter is
// the entry's Alt key, and an "&" in a folder or file name stays visible
// instead of turning the next letter into a key. The value is a path (the
// prefix is plain ASCII), so it is decoded as one.
QString setup_caption(const std::string& caption) {
  return "&" + qt::path_text(caption).replace('&', "&&");
}

QLabel* plain_label(QWidget* parent, const QString& text, const char* name) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(name);
  return label;
}

// The program's icon, for the window and the tray: a white "T" on blue.
QIcon program_icon() {
  QPixmap pixmap(32, 32);
  pixmap.fill(QColor(0, 70, 140));
  QPainter painter(&pixmap);
  QFont font = painter.font();
  font.setBold(true);
  font.setPixelSize(26);
  painter.setFont(font);
  painter.setPen(Qt::white);
  painter.drawText(pixmap.rect(), Qt::AlignCenter, "T");
  return QIcon(pixmap);
}

}  // namespace

TForm1::TForm1(platform::Ui& ui, platform::Scheduler& scheduler, const std::string& start_folder,
               QWidget* parent)
    : QMainWindow(parent), session_(ui, scheduler, start_folder), maingrid_(6, 2), incoming_(4, 2) {
  setObjectName("Form1");
  setWindowTitle("Tarvex Programmer Ver1.02 Master");
  const int intervals[5] = {100, 5000, 500, 500, 5000};
  for (int i = 0; i < 5; ++i) timers_[i] = scheduler.create_timer(intervals[i]);
  timers_[0]->set_handler([this] { Timer1Timer(); });
  build_controls();
  build_menus();
  FormCreate();
  connect_email_entries();
  connect_eeprom_entries();
  connect_device_entries();
  connect_sms_entries();
  connect_messaging_entries();
  connect_incoming_entries();
  connect_export_entries();
}

TForm1::~TForm1() {
  if (tray_icon) tray_icon->hide();
  // The other windows and the views go first, while the main window they
  // call back into (device, grids, handlers) is still whole; Qt would
  // otherwise delete them only after this object's members are gone.
  const QList<QPointer<QWidget>> widgets = [this] {
    QList<QPointer<QWidget>> list;
    for (QObject* child : children())
      if (child->isWidgetType()) list.append(static_cast<QWidget*>(child));
    return list;
  }();
  for (const QPointer<QWidget>& widget : widgets) delete widget.data();
}

platform::Timer& TForm1::timer(int n) const {
  return *timers_[n - 1];
}

QAction* TForm1::action(const std::string& name) const {
  auto it = actions_.find(name);
  return it == actions_.end() ? nullptr : it->second;
}

bool TForm1::write_log(const std::string& event) {
  try {
    app::write_log(session_, event);
    return true;
  } catch (const std::exception& e) {
    session_.ui.message(e.what());
    return false;
  }
}

std::string TForm1::unit_number() const {
  return qt::bytes(Edit1->text());
}

std::string TForm1::unit_password() const {
  return qt::bytes(Edit2->text());
}

void TForm1::show_menu_entry(const std::string& name, std::function<void()> chosen) {
  QAction* entry = action(name);
  entry->setVisible(true);
  if (chosen) connect(entry, &QAction::triggered, this, [chosen = std::move(chosen)] { chosen(); });
}

void TForm1::show_main_window() {
  if (!isVisible()) show();
}

bool TForm1::close_main_window() {
  return close();
}

void TForm1::build_controls() {
  auto* central = new QWidget(this);
  central->setObjectName("ClientArea");
  setCentralWidget(central);

  plain_label(central, "Unit Number:", "UnitNumberLabel")->setGeometry(8, 10, 80, 20);
  Edit1 = named(new QLineEdit("+27", central), "Edit1", "Unit Number:");
  Edit1->setMaxLength(device::kUnitNumberTypedLength);
  Edit1->setToolTip("Type the unit number here");
  Edit1->setGeometry(90, 8, 150, 22);
  plain_label(central, "Password:", "PasswordLabel")->setGeometry(250, 10, 65, 20);
  Edit2 = named(new QLineEdit(central), "Edit2", "Password:");
  Edit2->setMaxLength(4);
  Edit2->setToolTip("Type the Programmer password here");
  Edit2->setGeometry(318, 8, 60, 22);
  plain_label(central, "Description:", "DescriptionLabel")->setGeometry(390, 10, 75, 20);
  Edit4 = named(new QLineEdit(central), "Edit4", "Description:");
  Edit4->setGeometry(468, 8, 250, 22);

  plain_label(central, "Hardware Type:", "HardwareTypeLabel")->setGeometry(8, 36, 100, 20);
  ComboBox1 = named(new QComboBox(central), "ComboBox1", "Hardware Type:");
  ComboBox1->setEditable(false);
  ComboBox1->setGeometry(110, 34, 180, 22);

  GroupBox1 = named(new QGroupBox("Programming Mode:", central), "GroupBox1", "Programming Mode:");
  GroupBox1->setGeometry(730, 4, 250, 52);
  auto* mode_layout = new QHBoxLayout(GroupBox1);
  mode_layout->setContentsMargins(8, 4, 8, 4);
  RadioButton1 = named(new QRadioButton("Tarvex Mode", GroupBox1), "RadioButton1", "Tarvex Mode");
  RadioButton2 =
      named(new QRadioButton("Alternative Mode", GroupBox1), "RadioButton2", "Alternative Mode");
  RadioButton1->setChecked(true);
  mode_layout->addWidget(RadioButton1);
  mode_layout->addWidget(RadioButton2);
  connect(RadioButton1, &QRadioButton::clicked, this, &TForm1::RadioButton1Click);
  connect(RadioButton2, &QRadioButton::clicked, this, &TForm1::RadioButton2Click);

  plain_label(central, "Commands:", "CommandsLabel")->setGeometry(8, 62, 100, 20);
  ComboBoxPlus1 = named(new QComboBox(central), "ComboBoxPlus1", "Commands:");
  ComboBoxPlus1->setEditable(false);
  ComboBoxPlus1->setGeometry(110, 60, 390, 22);
  auto* command_view = new QTableView(ComboBoxPlus1);
  command_view->setObjectName("ComboBoxPlus1List");
  command_view->horizontalHeader()->hide();
  command_view->verticalHeader()->hide();
  command_view->setSelectionBehavior(QAbstractItemView::SelectRows);
  command_view->setShowGrid(false);
  auto* command_model = new QStandardItemModel(0, 3, ComboBoxPlus1);
  ComboBoxPlus1->setModel(command_model);
  ComboBoxPlus1->setView(command_view);
  ComboBoxPlus1->setModelColumn(1);
  command_view->setColumnHidden(0, true);
  Button1 = named(new QPushButton("Send", central), "Button1", "Send");
  Button1->setGeometry(510, 59, 70, 24);
  Label6 = plain_label(central, "", "Label6");
  Label6->setStyleSheet("color: red;");
  Label6->setGeometry(590, 62, 390, 20);

  Memo1 = named(new QTextEdit(central), "Memo1", "Message Description");
  Memo1->setReadOnly(true);
  QFont bold = Memo1->font();
  bold.setBold(true);
  Memo1->setFont(bold);
  plain_label(central, "Message Description:", "MessageDescriptionLabel")
      ->setGeometry(990, 2, 200, 18);
  Memo1->setGeometry(990, 20, 200, 62);

  maingrid_.set_editable(true);
  const char* headings[6] = {"Message Description", "Prog Code",          "Prog Len", "Flags",
                             "Text Message",        "Selected/Unselected"};
  for (int c = 0; c < 6; ++c) maingrid_.set_cell(c, 0, headings[c]);
  for (int c = 0; c < 5; ++c) maingrid_.set_column_width(c, kDesignColumnWidths[c]);
  maingrid1 = named(new qt::StringGridView(maingrid_, central), "maingrid1", "Message Table");
  Button3 = named(new QPushButton("Add", central), "Button3", "Add");
  Button4 = named(new QPushButton("Delete", central), "Button4", "Delete");
  Button5 = named(new QPushButton("Insert", central), "Button5", "Insert");

  IncomingLabel = plain_label(central, "Incomming Messages:", "IncomingLabel");
  Label10 = plain_label(central, "Message Count: 0", "Label10");
  MessageLengthLabel = plain_label(central, "Message Length:", "MessageLengthLabel");
  Label12 = plain_label(central, "0", "Label12");
  CheckBox1 = named(new QCheckBox("Show Incomming Messages", central), "CheckBox1",
                    "Show Incomming Messages");
  CheckBox1->setChecked(true);
  connect(CheckBox1, &QCheckBox::clicked, this, &TForm1::CheckBox1Click);

  const char* incoming_headings[4] = {"Unit Number", "Received Date", "Received Time", "Message"};
  for (int c = 0; c < 4; ++c) incoming_.set_cell(c, 0, incoming_headings[c]);
  for (int c = 0; c < 3; ++c) incoming_.set_column_width(c, 110);
  StringGrid2 =
      named(new qt::StringGridView(incoming_, central), "StringGrid2", "Incomming Messages");
  StringGrid2->setToolTip("Double click on the unit number to send a message to it");
  StringGrid2->setEditTriggers(QAbstractItemView::NoEditTriggers);
}

QAction* TForm1::add_action(QMenu* menu, const char* name, const QString& caption) {
  QAction* a = menu->addAction(caption);
  a->setObjectName(name);
  actions_[name] = a;
  return a;
}

void TForm1::build_menus() {
  QMenuBar* bar = menuBar();
  QMenu* file = bar->addMenu("&File");
  file->setObjectName("File1");
  add_action(file, "New1", "&New");
  add_action(file, "Open1", "&Open Device");
  add_action(file, "OpenDefault1", "Open De&fault");
  add_action(file, "Save1", "&Save Device");
  add_action(file, "SaveDefault1", "Save Defa&ult");
  add_action(file, "ImportTabDelimitedTextFile1", "&Import Tab Delimited Text File");
  file->addSeparator();
  add_action(file, "FindDevice1", "Fin&d Device");
  add_action(file, "SaveFormSettings1", "Save Fo&rm Settings");
  file->addSeparator();
  add_action(file, "SaveAsExcelFile1", "Save &As Excel File");
  file->addSeparator();
  add_action(file, "OpenModemEngineApplication1", "Open &Modem Engine Application");
  file->addSeparator();
  for (int n = 1; n <= 4; ++n) {
    const std::string name = "Hist" + std::to_string(n);
    add_action(file, name.c_str(), QString())->setVisible(false);
  }
  QAction* history_separator = file->addSeparator();
  history_separator->setObjectName("HistorySeparator");
  history_separator->setVisible(false);
  actions_["HistorySeparator"] = history_separator;
  add_action(file, "LogOut1", "&Log Out");
  file->addSeparator();
  add_action(file, "Exit1", "E&xit");

  QMenu* setup = bar->addMenu("&Setup");
  setup->setObjectName("Setup1");
  add_action(setup, "SetupProgrammerPath1", "Setup &Programmer Path");
  add_action(setup, "SetupDevicePath1", "Setup &Device Path");
  add_action(setup, "SetupIncommingMessagePath1", "Setup &Incomming Message File");
  add_action(setup, "SetupLogFile1", "Setup &Log File");
  add_action(setup, "SetupFunctionsPath1", "Setup &Functions Path");
  add_action(setup, "SetupModemEngineApplication1", "Setup &Modem Engine Application");
  add_action(setup, "SetupEepromProgrammerInbox1", "Setup &Eeprom Programmer Com Port");
  add_action(setup, "SetupEmailAccount1", "Setup Em&ail Account");
  setup->addSeparator();
  add_action(setup, "UserSetup1", "&User Setup");

  QMenu* options = bar->addMenu("&Options");
  options->setObjectName("Options1");
  add_action(options, "SendMessage1", "&Send Message");
  add_action(options, "SendBulkMessages1", "Send &Bulk Messages");
  add_action(options, "ControlPanel1", "&Control Panel");
  add_action(options, "FindinReceivedMessages1", "&Find in Received Messages");
  add_action(options, "GetLog1", "&Get Log From Unit");
  add_action(options, "ReceiveMessages1", "&Receive Messages");
  add_action(options, "StopReceivingMessages1", "S&top Receiving Messages");
  add_action(options, "ClearReceivedMessages1", "C&lear Received Messages");
  QAction* scroll = add_action(options, "Scrolltonewestmessage1", "Scroll to &Newest Message");
  scroll->setCheckable(true);
  scroll->setChecked(true);
  add_action(options, "ViewUserLog1", "&View User Log");
  add_action(options, "CreateEEPROMMapFile1", "Create &EEPROM  Map File");

  QMenu* select = bar->addMenu("S&elect");
  select->setObjectName("Select1");
  add_action(select, "EnableAllMessages1", "Select &All Messages");
  add_action(select, "Disableallmessages1", "&Unselect All Messages");
  add_action(select, "SelectAllMessageExcluding1", "Select All Message &Excluding...");
  add_action(select, "LinkDevicetoIncommingMessages1", "&Link Device to Incomming Messages");

  QMenu* program = bar->addMenu("&Program");
  program->setObjectName("Program1");
  program->setToolTip("Program all the selected messages");
  program->setToolTipsVisible(true);
  QAction* sms = add_action(program, "ProgramasNewUnit1", "Program via &SMS");
  sms->setToolTip("Program the newer unit versions");
  add_action(program, "ProgramasOldUnit1", "Program Using &Alt Programming Settings");
  add_action(program, "ProgramandVerifywithEEPROMProgrammer1", "Program with &EEPROM Programmer");
  add_action(program, "ProgramwithEEPROMProgrammer2", "Program with EEPROM Programmer")
      ->setVisible(false);
  add_action(program, "ImportProgrammingfromHardware1", "&Read Programming with EEPROM Programmer");
  add_action(program, "ProgramViaEmail1", "Program Via E&mail");
  actions_["Program1"] = program->menuAction();

  QMenu* help = bar->addMenu("&Help");
  help->setObjectName("Help1");
  add_action(help, "AboutTarvexProgrammer1", "&About Tarvex Programmer");
  add_action(help, "ViewKVProgrammerManual1", "View KV_Programmer &Manual")->setVisible(false);

  // Entries whose windows are not part of this build stay out of sight until
  // their owner connects them (show_entry()).
  for (const char* pending : {"New1",
                              "Open1",
                              "OpenDefault1",
                              "Save1",
                              "SaveDefault1",
                              "ImportTabDelimitedTextFile1",
                              "FindDevice1",
                              "SaveAsExcelFile1",
                              "SetupEepromProgrammerInbox1",
                              "SetupEmailAccount1",
                              "SendMessage1",
                              "SendBulkMessages1",
                              "ControlPanel1",
                              "FindinReceivedMessages1",
                              "GetLog1",
                              "ReceiveMessages1",
                              "StopReceivingMessages1",
                              "ClearReceivedMessages1",
                              "Scrolltonewestmessage1",
                              "CreateEEPROMMapFile1",
                              "EnableAllMessages1",
                              "Disableallmessages1",
                              "SelectAllMessageExcluding1",
                              "LinkDevicetoIncommingMessages1",
                              "ProgramasNewUnit1",
                              "ProgramasOldUnit1",
                              "ProgramandVerifywithEEPROMProgrammer1",
                              "ImportProgrammingfromHardware1",
                              "ProgramViaEmail1"})
    actions_[pending]->setVisible(false);

  connect(action("SetupProgrammerPath1"), &QAction::triggered, this,
          &TForm1::SetupProgrammerPath1Click);
  connect(action("SetupDevicePath1"), &QAction::triggered, this, &TForm1::SetupDevicePath1Click);
  connect(action("SetupIncommingMessagePath1"), &QAction::triggered, this,
          &TForm1::SetupIncommingMessagePath1Click);
  connect(action("SetupLogFile1"), &QAction::triggered, this, &TForm1::SetupLogFile1Click);
  connect(action("SetupFunctionsPath1"), &QAction::triggered, this,
          &TForm1::SetupFunctionsPath1Click);
  connect(action("SetupModemEngineApplication1"), &QAction::triggered, this,
          &TForm1::SetupModemEngineApplication1Click);
  connect(action("SaveFormSettings1"), &QAction::triggered, this, &TForm1::SaveFormSettings1Click);
  connect(action("OpenModemEngineApplication1"), &QAction::triggered, this,
          &TForm1::OpenModemEngineApplication1Click);
  connect(action("Exit1"), &QAction::triggered, this, &TForm1::Exit1Click);
  connect(action("LogOut1"), &QAction::triggered, this, &TForm1::LogOut1Click);
  connect(action("UserSetup1"), &QAction::triggered, this,
          [this] { session_.ui.show_modal("TForm9"); });
  connect(action("ViewUserLog1"), &QAction::triggered, this,
          [this] { session_.ui.show_modal("TForm18"); });
  connect(action("AboutTarvexProgrammer1"), &QAction::triggered, this,
          [this] { session_.ui.show_modal("TForm12"); });
}

void TForm1::build_tray() {
  PopupMenu1 = new QMenu(this);
  PopupMenu1->setObjectName("PopupMenu1");
  QMenu* tray_options = PopupMenu1->addMenu("&Options");
  tray_options->setObjectName("TrayOptions1");
  add_action(tray_options, "ControlPanel2", "&Control Panel")->setVisible(false);
  add_action(tray_options, "SendMessage2", "&Send Message")->setVisible(false);
  add_action(tray_options, "SendBulkMessage2", "Send &Bulk Message")->setVisible(false);
  add_action(tray_options, "GetLog2", "&Get Log")->setVisible(false);
  // The tray's "Options" submenu shows only while one of its windows is part
  // of the program; an empty submenu would offer nothing.
  connect(PopupMenu1, &QMenu::aboutToShow, this, [tray_options] {
    bool any = false;
    for (QAction* a : tray_options->actions()) any = any || a->isVisible();
    tray_options->menuAction()->setVisible(any);
  });
  connect(add_action(PopupMenu1, "Restore1", "&Restore"), &QAction::triggered, this,
          &TForm1::Restore1Click);
  connect(add_action(PopupMenu1, "Close1", "&Close"), &QAction::triggered, this,
          &TForm1::Close1Click);

  // A tray icon without a picture is never shown, and a minimised window
  // would then be out of reach.
  if (windowIcon().isNull()) setWindowIcon(program_icon());
  if (!QSystemTrayIcon::isSystemTrayAvailable()) return;
  tray_icon = new QSystemTrayIcon(windowIcon(), this);
  tray_icon->setObjectName("TrayIcon");
  tray_icon->setToolTip("Tarvex Programmer");
  connect(tray_icon, &QSystemTrayIcon::activated, this, &TForm1::FormMouseMove);
}

void TForm1::FormMouseMove(QSystemTrayIcon::ActivationReason reason) {
  // Status-notifier trays report a click where others report a double click;
  // either restores the window.
  if (reason == QSystemTrayIcon::DoubleClick || reason == QSystemTrayIcon::Trigger) {
    Restore1Click();
  } else if (reason == QSystemTrayIcon::Context) {
    PopupMenu1->popup(QCursor::pos());
  }
}

void TForm1::FormCreate() {
  maingrid_.set_cell(2, 1, "0");
  maingrid_.set_cell(5, 1, "Unselected");
  // Without a window manager a maximise request does nothing; fill the screen
  // ourselves first so the window has its working size either way.
  if (QScreen* s = screen()) setGeometry(s->availableGeometry());
  showMaximized();
  apply_layout(LayoutEvent::Start);

  if (auto error = load_settings_files(session_.start_folder, session_.settings))
    session_.ui.message(*error);
  apply_settings_to_menus();

  set_receiving(true);
  timer(1).set_enabled(true);
  session_.preset_number.clear();
  session_.scroll_to_newest = true;
  session_.base_caption = qt::bytes(windowTitle());
  build_tray();

  // The command list starts with its heading row and one empty row; the
  // blanks after "Description" set the width of that column.
  auto* model = static_cast<QStandardItemModel*>(ComboBoxPlus1->model());
  model->removeRows(0, model->rowCount());
  model->appendRow({new QStandardItem("0"), new QStandardItem("Description" + QString(53, ' ')),
                    new QStandardItem("Command")});
  model->appendRow({new QStandardItem(), new QStandardItem(), new QStandardItem()});
  session_.programming_mode = 0;
}

void TForm1::apply_settings_to_menus() {
  const Settings& s = session_.settings;
  // A line that could not be read leaves its entry with its design caption.
  const std::pair<const char*, std::string> captions[6] = {
      {"SetupProgrammerPath1", programming_dir_caption(s.programming_folder)},
      {"SetupDevicePath1", device_dir_caption(s.device_folder)},
      {"SetupIncommingMessagePath1", incoming_dir_caption(s.incoming_folder)},
      {"SetupModemEngineApplication1", modem_engine_caption(s.modem_engine)},
      {"SetupLogFile1", log_file_caption(s.unit_log_file)},
      {"SetupFunctionsPath1", function_dir_caption(s.function_folder)}};
  for (int line = 1; line <= 6 && line <= s.setup_lines_read; ++line)
    action(captions[line - 1].first)->setText(setup_caption(captions[line - 1].second));
  if (s.setup_lines_read >= 7)
    set_setup_caption("SetupEepromProgrammerInbox1", com_port_caption(s.com_port));
  {
    platform::GridUpdate update(maingrid_);
    for (int c = 0; c < static_cast<int>(s.column_widths.size()) && c < 5; ++c)
      maingrid_.set_column_width(c, s.column_widths[c]);
  }
  for (const auto& type : s.hardware_types) ComboBox1->addItem(latin1(type));
  ComboBox1->setCurrentIndex(-1);
  device::HistoryMenu history;
  for (int n = 0; n < 4; ++n)
    if (!s.history[n].empty()) history[n] = s.history[n];
  apply_history_menu(history);
}

void TForm1::apply_layout(LayoutEvent event) {
  QWidget* client = centralWidget();
  const int width = client->width();
  const int height = client->height();
  layout_ = layout_for(event, height, layout_);
  const int table_width = width - 16;
  maingrid1->setGeometry(8, layout_.table_top, table_width, std::max(layout_.table_height, 40));
  const int table_bottom = maingrid1->geometry().bottom() + 1;
  const int labels_top = table_bottom + 5;
  IncomingLabel->setGeometry(8, labels_top, 150, 16);
  Label10->setGeometry(160, labels_top, 150, 16);
  CheckBox1->setGeometry(320, labels_top - 2, 220, 20);
  MessageLengthLabel->setGeometry(width - 420, labels_top, 100, 16);
  Label12->setGeometry(width - 315, labels_top, 60, 16);
  // The buttons share the 15 pixels between the table and the incoming grid
  // with the labels; any taller and they would cover the grid's headings.
  Button3->setGeometry(width - 240, table_bottom + 1, 70, 18);
  Button5->setGeometry(width - 164, table_bottom + 1, 70, 18);
  Button4->setGeometry(width - 88, table_bottom + 1, 70, 18);
  StringGrid2->setVisible(layout_.incoming_visible);
  StringGrid2->setGeometry(8, table_bottom + 20, table_width,
                           std::max(layout_.incoming_height, 40));
  Memo1->setGeometry(Memo1->x(), Memo1->y(), std::max(width - Memo1->x() - 16, 40),
                     Memo1->height());
}

void TForm1::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  if (maingrid1) apply_layout(LayoutEvent::Resize);
}

void TForm1::CheckBox1Click() {
  apply_layout(CheckBox1->isChecked() ? LayoutEvent::ShowIncoming : LayoutEvent::HideIncoming);
}

void TForm1::Timer1Timer() {
  fit_last_column(maingrid_, maingrid1->width());
  fit_last_column(incoming_, StringGrid2->width());
}

void TForm1::set_receiving(bool on) {
  receiving_ = on;
  action("ReceiveMessages1")->setEnabled(!on);
  action("StopReceivingMessages1")->setEnabled(on);
  timer(3).set_enabled(on);
}

void TForm1::restart_poll_if_receiving() {
  if (receiving()) timer(3).set_enabled(true);
}

void TForm1::setup_entry(int entry, QAction* target) {
  with_poll_paused([&] {
    auto change = change_setting(session_, static_cast<SetupEntry>(entry));
    if (!change) return;
    target->setText(setup_caption(change->caption));
    if (!change->stored) return;
    if (entry == static_cast<int>(SetupEntry::LogFile) && on_log_file_changed)
      on_log_file_changed(change->value);
    if (entry == static_cast<int>(SetupEntry::FunctionsPath) && on_function_folder_changed)
      on_function_folder_changed(change->value);
  });
}

void TForm1::set_setup_caption(const std::string& action_name, const std::string& caption) {
  action(action_name)->setText(setup_caption(caption));
}

void TForm1::SetupProgrammerPath1Click() {
  setup_entry(static_cast<int>(SetupEntry::ProgrammerPath), action("SetupProgrammerPath1"));
}
void TForm1::SetupDevicePath1Click() {
  setup_entry(static_cast<int>(SetupEntry::DevicePath), action("SetupDevicePath1"));
}
void TForm1::SetupIncommingMessagePath1Click() {
  setup_entry(static_cast<int>(SetupEntry::IncomingPath), action("SetupIncommingMessagePath1"));
}
void TForm1::SetupModemEngineApplication1Click() {
  setup_entry(static_cast<int>(SetupEntry::ModemEngine), action("SetupModemEngineApplication1"));
}
void TForm1::SetupLogFile1Click() {
  setup_entry(static_cast<int>(SetupEntry::LogFile), action("SetupLogFile1"));
}
void TForm1::SetupFunctionsPath1Click() {
  setup_entry(static_cast<int>(SetupEntry::FunctionsPath), action("SetupFunctionsPath1"));
}

void TForm1::SaveFormSettings1Click() {
  std::vector<int> widths;
  for (int c = 0; c < 5; ++c) widths.push_back(maingrid_.column_width(c));
  try {
    save_form_settings(session_.start_folder, widths);
  } catch (const std::exception& e) {
    session_.ui.message(e.what());
  }
}

void TForm1::OpenModemEngineApplication1Click() {
  // With no engine configured the entry does nothing visible.
  const std::string& engine = session_.settings.modem_engine;
  if (engine.empty()) return;
  if (const auto reason = session_.ui.shell_open(engine, session_.start_folder))
    session_.ui.message(app::modem_engine_not_started(engine, *reason));
}

void TForm1::Exit1Click() {
  close();
}

void TForm1::RadioButton1Click() {
  session_.programming_mode = 1;
}
void TForm1::RadioButton2Click() {
  session_.programming_mode = 2;
}

void TForm1::LogOut1Click() {
  write_log(session_.current_operator + " Logging out");
  session_.ui.show_modal("TForm7");
}

void TForm1::run_login_gate() {
  const std::optional<std::string> name = auto_logon_name(session_.start_file(kUserFile));
  if (!name) {
    session_.ui.show_modal("TForm7");
    return;
  }
  session_.current_operator = *name;
  show();
  write_log(session_.current_operator + " Logging in");
}

void TForm1::HideApp() {
  if (!tray_icon) return;  // no tray: an ordinary minimise
  tray_icon->show();
  hide();
}

void TForm1::Restore1Click() {
  // Back to the size it had before it was minimised (maximised at start).
  setWindowState(windowState() & ~Qt::WindowMinimized);
  show();
  if (tray_icon) tray_icon->hide();
  activateWindow();
  raise();
}

void TForm1::Close1Click() {
  // The window stays (in the tray) when the operator keeps unsaved changes.
  if (close() && tray_icon) tray_icon->hide();
}

void TForm1::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  if (event->type() == QEvent::WindowStateChange && isMinimized()) HideApp();
  if (event->type() == QEvent::ActivationChange && isActiveWindow()) FormActivate();
}

void TForm1::closeEvent(QCloseEvent* event) {
  // Every way out ("Exit", the tray's "Close", the close box, "Exit" in the
  // login dialog) asks about unsaved changes first, as New and Open do.
  if (!may_discard_device()) {
    event->ignore();
    return;
  }
  // Windows left open without a modal loop (the find window) go with the
  // main window, so that the program ends.
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w != this && w->isVisible() && !w->isModal()) w->close();
  if (tray_icon) tray_icon->hide();
  event->accept();
}

}  // namespace tarvex::shell
