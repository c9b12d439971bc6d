#pragma once

#include <map>
#include <memory>
#include <string>

#include <QMainWindow>
#include <QSystemTrayIcon>

#include "app/main_layout.h"
#include "app/main_window_access.h"
#include "app/session.h"
#include "device/device_files.h"
#include "device/message_table.h"
#include "device/zones.h"
#include "incoming/incoming_receiver.h"
#include "outbound/email_channel.h"
#include "outbound/program_menu_lock.h"
#include "outbound/sms_programming.h"
#include "platform/scheduler.h"
#include "platform/string_grid.h"

class QAction;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QRadioButton;
class QTextEdit;

namespace tarvex::qt {
class StringGridView;
}
namespace tarvex::eeprom {
class TForm20;
class TForm22;
}  // namespace tarvex::eeprom

namespace tarvex::shell {

// The main window: the current device, its message table, the incoming
// messages, the command list, the menus and the program-wide session. The
// other windows see it only through MainWindowAccess.
class TForm1 final : public QMainWindow, public app::MainWindowAccess {
  Q_OBJECT

 public:
  TForm1(platform::Ui& ui, platform::Scheduler& scheduler, const std::string& start_folder,
         QWidget* parent = nullptr);
  ~TForm1() override;
  TForm1(const TForm1&) = delete;
  TForm1& operator=(const TForm1&) = delete;

  // What the other windows may read or ask (MainWindowAccess).
  app::Session& session() override { return session_; }
  std::string unit_number() const override;
  std::string unit_password() const override;
  platform::StringGrid& incoming_grid() override { return incoming_; }
  bool write_log(const std::string& event) override;
  void show_menu_entry(const std::string& name, std::function<void()> chosen = {}) override;
  void show_main_window() override;
  bool close_main_window() override;
  bool open_found_device(const std::string& path) override;

  platform::StringGrid& maingrid() { return maingrid_; }

  // A menu entry by its component name ("ProgramasNewUnit1").
  QAction* action(const std::string& name) const;
  platform::Timer& timer(int n) const;  // Timer1..Timer5

  // Start-up login gate: auto-logon or the login dialog.
  void run_login_gate();

  // Sets a Setup entry's caption to a stored value: the caption gets its Alt
  // key first, and an "&" in the value shows as itself.
  void set_setup_caption(const std::string& action_name, const std::string& caption);

  // Handlers of this window.
  void SetupProgrammerPath1Click();
  void SetupDevicePath1Click();
  void SetupIncommingMessagePath1Click();
  void SetupModemEngineApplication1Click();
  void SetupLogFile1Click();
  void SetupFunctionsPath1Click();
  void SaveFormSettings1Click();
  void OpenModemEngineApplication1Click();
  void Exit1Click();
  void RadioButton1Click();
  void RadioButton2Click();
  void CheckBox1Click();
  void Timer1Timer();
  void HideApp();
  // The tray icon's notifications.
  void FormMouseMove(QSystemTrayIcon::ActivationReason reason);
  void Restore1Click();
  void Close1Click();
  void LogOut1Click();

  // EEPROM templates and programmer port (main_window_eeprom.cpp).
  void CreateEEPROMMapFile1Click();
  void SetupEepromProgrammerInbox1Click();
  void connect_eeprom_entries();
  // The programming run and the read-back (main_window_eeprom.cpp).
  void ProgramandVerifywithEEPROMProgrammer1Click();
  void ImportProgrammingfromHardware1Click();
  // Set when the windows are created; the read-back borrows TForm20's Uart1.
  eeprom::TForm20* eeprom_programmer = nullptr;
  eeprom::TForm22* read_progress = nullptr;
  // While a programming run or a read-back works on the message table, no
  // other device may replace it: says so and returns true.
  bool refuse_load_while_table_held();
  // StringGrid3: the read-back's hidden template table (address, code).
  platform::StringGrid& template_table() { return template_table_; }
  qt::StringGridView* StringGrid3 = nullptr;
  // The programming window is shown, its run holding the table.
  bool eeprom_run_showing = false;

  // Runs fn with the incoming-message poll paused, then restarts the poll if
  // receiving is on.
  template <typename Fn>
  void with_poll_paused(Fn fn) {
    timer(3).set_enabled(false);
    fn();
    restart_poll_if_receiving();
  }
  // Receiving incoming messages: the poll runs, "Receive Messages" is
  // disabled and "Stop Receiving Messages" enabled; the reverse when off.
  bool receiving() const { return receiving_; }
  void set_receiving(bool on);

  // --- Programming by e-mail: account settings, the SMTP client NMSMTP1 and
  // "Program Via Email" (bodies in main_window_email.cpp) ---
  outbound::EmailChannel& email() { return *email_; }
  // The steps every e-mail sender takes (see EmailChannel).
  bool check_connect();
  bool send_email(const std::string& subject, const std::string& body);
  void SetupEmailAccount1Click();
  void ProgramViaEmail1Click();

 private:
  void connect_email_entries();
  std::unique_ptr<outbound::EmailChannel> email_;
  // --- end of programming by e-mail ---
  // --- SMS programming and the command list (main_window_sms.cpp) ---
 public:
  void connect_sms_entries();
  void ProgramasNewUnit1Click();
  void ProgramasOldUnit1Click();
  void ComboBoxPlus1Change(int index);
  void Button1Click();
  void Timer5Timer();
  // Draws the tags of command files (0..499); tests put their own.
  outbound::TagSource command_tag_source;
  // The command text of the entry last chosen in ComboBoxPlus1; kept across
  // device loads until another entry is chosen.
  std::string chosen_command;

 private:
  void run_sms_programming(outbound::SmsFraming framing);
  std::unique_ptr<outbound::ProgramMenuLock> program_menu_lock_;  // on Timer2
                                                                  // --- end of SMS programming ---
  // Opening the sending windows (main_window_messaging.cpp).
  void connect_messaging_entries();

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void FormCreate();
  void build_controls();
  void build_menus();
  void build_tray();
  void apply_layout(app::LayoutEvent event);
  void apply_settings_to_menus();
  void setup_entry(int entry, QAction* action);
  void restart_poll_if_receiving();
  QAction* add_action(QMenu* menu, const char* name, const QString& caption);

  app::Session session_;
  platform::StringGrid maingrid_;
  platform::StringGrid template_table_{2, 1};
  platform::StringGrid incoming_;
  std::unique_ptr<platform::Timer> timers_[5];
  app::TableLayout layout_;
  bool receiving_ = true;
  std::map<std::string, QAction*> actions_;

 public:
  // Controls, named as in the window's resources.
  QLineEdit* Edit1 = nullptr;
  QLineEdit* Edit2 = nullptr;
  QLineEdit* Edit4 = nullptr;
  QComboBox* ComboBox1 = nullptr;
  qt::StringGridView* maingrid1 = nullptr;
  QPushButton* Button3 = nullptr;
  QPushButton* Button4 = nullptr;
  QPushButton* Button5 = nullptr;
  QTextEdit* Memo1 = nullptr;
  QLabel* Label12 = nullptr;
  QLabel* MessageLengthLabel = nullptr;
  qt::StringGridView* StringGrid2 = nullptr;
  QLabel* Label10 = nullptr;
  QLabel* IncomingLabel = nullptr;
  QCheckBox* CheckBox1 = nullptr;
  QComboBox* ComboBoxPlus1 = nullptr;
  QPushButton* Button1 = nullptr;
  QLabel* Label6 = nullptr;
  QGroupBox* GroupBox1 = nullptr;
  QRadioButton* RadioButton1 = nullptr;
  QRadioButton* RadioButton2 = nullptr;
  QMenu* PopupMenu1 = nullptr;
  QSystemTrayIcon* tray_icon = nullptr;

  // ---- Device data: device files, recent files, message table editing, zones ----
 public:
  device::Device& device() { return device_; }
  device::DeviceLineReader& device_reader() { return device_reader_; }
  // The current device, its table and the line reader, for the device-file
  // operations of core.
  device::DeviceContext device_context();
  // Shows the device's fields in Edit1, Edit2, Edit4 and ComboBox1 without
  // setting the modified flag.
  void show_device();
  // After a device load that reads a file into the current device (device
  // link, Find Device): the device, and the mode and command list now in
  // force, as Open Device shows them.
  void show_loaded_device();
  // The question about unsaved changes before the program ends: whether it
  // may end ("Yes" saves and keeps it running).
  bool may_discard_device();
  // Reads a device file into the current device with the line reader (its
  // row counter set to 1 first) and shows it. For the windows that find a
  // device. Returns whether the file could be read.
  bool read_device_file(const std::string& path);
  // Rebuilds ComboBoxPlus1 from the device's function file.
  void reload_command_list(const device::CommandListStyle& style);
  // Radio buttons and "Program Using Alt Programming Settings" by the mode.
  void set_mode_controls();
  const std::vector<std::string>& zone_codes() const { return zone_codes_; }
  device::ZoneSelection& zone_selection() { return zone_selection_; }

  void New1Click();
  void Open1Click();
  void OpenDefault1Click();
  void Save1Click();
  void SaveDefault1Click();
  void Hist1Click();
  void Hist2Click();
  void Hist3Click();
  void Hist4Click();
  void ImportTabDelimitedTextFile1Click();
  void EnableAllMessages1Click();
  void Disableallmessages1Click();
  void SelectAllMessageExcluding1Click();
  void PasteDiscription1Click();
  void Button3Click();
  void Button4Click();
  void Button5Click();
  void Edit1Change();
  void Edit2Change();
  void Edit4Change();
  void ComboBox1Change();
  void maingrid1Click();
  void maingrid1DblClick();
  void maingrid1KeyDown(int key);
  void maingrid1KeyPress();
  void maingrid1KeyUp(int key);
  void maingrid1SetEditText(int col, int row);
  void maingrid1SelectCell(int col, int row);

  QMenu* PopupMenu2 = nullptr;

 private:
  void connect_device_entries();
  void open_device_file(device::DeviceFileKind kind);
  void save_device_file(device::DeviceFileKind kind);
  void HistClick(int n);
  void apply_history_menu(const device::HistoryMenu& menu);
  void fit_command_columns();
  void show_message_length(int length);
  device::ShowLength shown_length();

  device::Device device_;
  device::DeviceLineReader device_reader_;
  device::TableKeys table_keys_;
  std::vector<std::string> zone_codes_;
  device::ZoneSelection zone_selection_;
  bool showing_device_ = false;
  // ---- end of device data ----

  // ---- Incoming messages and the find tools (main_window_incoming.cpp) ----
 public:
  incoming::IncomingReceiver& receiver() { return *receiver_; }
  void Timer3Timer();
  void Timer4Timer();
  void StringGrid2Click();
  void StringGrid2DblClick();
  void ReceiveMessages1Click();
  void StopReceivingMessages1Click();
  void ClearReceivedMessages1Click();
  void Scrolltonewestmessage1Click();
  // The main window became active.
  void FormActivate();

 private:
  void connect_incoming_entries();
  std::unique_ptr<incoming::IncomingReceiver> receiver_;
  // ---- end of incoming messages ----
  // ---- Spreadsheet export and the manual (main_window_export.cpp) ----
 public:
  void connect_export_entries();
  void SaveAsExcelFile1Click();
  // ---- end of export ----
};

}  // namespace tarvex::shell
