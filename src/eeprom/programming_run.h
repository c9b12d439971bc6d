#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "eeprom/eeprom_template.h"
#include "eeprom/uart.h"
#include "platform/string_grid.h"

namespace tarvex::platform {
class Scheduler;
class SerialBackend;
class Timer;
class Ui;
}  // namespace tarvex::platform

namespace tarvex::eeprom {

inline constexpr const char* kNoHardwareType = "No Hardware Type was selected!";
inline constexpr const char* kTemplateOpenError = "Error opening device template file!";
inline constexpr const char* kPortOpenError = "Unable to open the selected COM Port!";
inline constexpr const char* kProgramAllError = "Unable to program all messages!";
// Shown when another device would replace the message table while a run or
// a read-back works on it.
inline constexpr const char* kTableHeld =
    "The EEPROM programmer is using the message table. Load another device when it has "
    "finished.";
// A template whose chip the programmer has no command codes for.
std::string unknown_chip_text(const std::string& type_name, const std::string& template_file);

// Statuses of the "Progress" column.
inline constexpr const char* kUnprocessed = "Unprocessed";
inline constexpr const char* kReady = "Ready";
inline constexpr const char* kAddressMissing = "Error";
inline constexpr const char* kDone = "Done";
inline constexpr const char* kVerified = "Verified";
inline constexpr const char* kProgramError = "Program Error";
inline constexpr const char* kVerifyError = "Verify Error";

inline constexpr std::uint8_t kEnq = 0x05;
inline constexpr std::uint8_t kAck = 0x06;

// Columns of the programming grid and of the address grid.
inline constexpr int kColNo = 0;
inline constexpr int kColPgm = 1;
inline constexpr int kColMessage = 2;
inline constexpr int kColProgress = 3;
inline constexpr int kColAddress = 0;
inline constexpr int kColAddressMessage = 1;

// The waits of both programmer models, in milliseconds.
namespace wait {
inline constexpr int kDetect = 500;
inline constexpr int kAckWrite = 1000;
inline constexpr int kAckRead = 1500;
inline constexpr int kAckRetryPause = 100;
inline constexpr int kAckAttempts = 6;
inline constexpr int kLineReads = 6;  // reads of one row that does not match
inline constexpr int kAckWatchdog = 5000;
inline constexpr int kAckFinish = 2000;
inline constexpr int kAckPassDelay = 100;  // Timer5
inline constexpr int kWriteString = 500;
inline constexpr int kLineWriteString = 2000;
inline constexpr int kLineRead = 1000;
inline constexpr int kLineStart = 500;
inline constexpr int kLineFirstStep = 300;
inline constexpr int kLineStep = 400;
inline constexpr int kLineWatchdog = 4000;
inline constexpr int kCtsLatch = 2;
inline constexpr int kCloser = 1000;  // Timer1
inline constexpr int kAfterOpen = 10;
}  // namespace wait

// p = (row - 1) / rows * 100, rounded to the nearest whole number with a half
// going to the even neighbour; computed exactly, so 12.5 gives 12.
int progress_percent(int current_row, int rows);

// What the programming window shows and does for the run.
class ProgrammerView {
 public:
  virtual ~ProgrammerView() = default;
  // Label1 (device), Label2 (EEPROM), Label4 (progress), Label5 (data),
  // Label6 (address).
  virtual void show_label(int label, const std::string& text) = 0;
  // Close, Retry and Skip together.
  virtual void enable_buttons(bool enabled) = 0;
  // The programming grid's top visible data row.
  virtual void scroll_to(int top_row) = 0;
  virtual void close_window() = 0;
};

// An EEPROM programming run: the programming and address grids, the run
// state, the serial component Uart1 and the window's six timers, with both
// programmer engines. Everything runs in the user-interface thread; the
// serial waits pump messages, so timers and buttons act during a transfer.
class ProgrammingRun {
 public:
  enum class Model { Acknowledging, LineSignalling };
  enum class Phase { Programming, Verification };

  ProgrammingRun(platform::SerialBackend& backend, platform::Scheduler& scheduler, platform::Ui& ui,
                 std::string start_folder);
  ~ProgrammingRun();
  ProgrammingRun(const ProgrammingRun&) = delete;
  ProgrammingRun& operator=(const ProgrammingRun&) = delete;

  void set_view(ProgrammerView* view) { view_ = view; }
  // The port number is read at the start of every run.
  std::function<int()> com_port = [] { return 1; };

  // "Program with EEPROM Programmer": fills the programming grid from the
  // rows of the main table marked "Selected" (marking them "Message is
  // Programmed"). Returns whether the window is to be shown. Every outcome
  // goes back to the main-table row its programming row came from.
  bool load_rows(platform::StringGrid& main_table, const std::string& hardware_type);

  // Window events.
  void FormActivate();
  void FormClose();
  void Escape();
  void Button1Click();  // Close
  void Button2Click();  // Retry
  void Button3Click();  // Skip
  void Timer1Timer();
  void Timer2Timer();
  void Timer3Timer();
  void Timer4Timer();
  void Timer5Timer();
  void Timer6Timer();

  platform::StringGrid& StringGrid1() { return grid1_; }
  platform::StringGrid& StringGrid2() { return grid2_; }
  TUart& Uart1() { return uart_; }
  platform::Timer& timer(int n) const;  // Timer1..Timer6

  Model model() const { return model_; }
  Phase phase() const { return phase_; }
  int current_row() const { return current_row_; }
  int rows() const { return grid1_.row_count() - 1; }
  bool rows_loaded() const { return rows_loaded_; }
  int write_code() const { return write_code_; }
  bool ready() const { return ready_; }
  bool no_mark() const { return no_mark_; }

 private:
  // Counts window closings: a pass that finds it changed after a wait was
  // ended by the operator and stops at once.
  using Generation = unsigned;
  bool alive(Generation g) const { return g == generation_; }

  void show_progress(const char* prefix = "Progress: ");
  void scroll();
  void set_status(int row, const char* status);
  void split_address(int row);
  bool open_port();
  void restart(int timer, int interval);
  void stop_all_timers();
  void fail_pass();
  void close_window();
  int read_code() const;
  void set_outcome(int k, const char* outcome);
  // After Esc or a failed start: rows that were not verified may be
  // selected again.
  void return_unverified_rows();
  // Rows whose code has no address were never sent.
  void mark_missing_rows();

  // Waits ms, letting window messages run all the while; false when the
  // window was closed meanwhile.
  bool pumped_wait(int ms, Generation g);

  void run_acknowledging_pass(Generation g);
  // Takes a Skip pressed while the pass waited: the row the pass handles is
  // given up and the pass goes on with the next one.
  bool take_pending_skip();
  bool ack_write(int row, Generation g);
  bool ack_read_matches(int row, Generation g);
  // The current row is written or verified: on to the next.
  void ack_row_finished(const char* status);
  void start_line_signalling();
  // The line-signalling engine stops and offers Close, Retry and Skip.
  void stop_line_signalling(int row, const char* status);
  void line_write(int row);
  std::string line_read();
  // The three header bytes inside their RTS frame, 1 ms apart.
  void send_framed_header(std::uint8_t command);
  std::uint8_t terminator_byte() const;

  platform::Scheduler& scheduler_;
  platform::Ui& ui_;
  std::string start_folder_;
  ProgrammerView* view_ = nullptr;
  TUart uart_;
  platform::StringGrid grid1_{4, 2};
  platform::StringGrid grid2_{2, 2};
  std::unique_ptr<platform::Timer> timers_[6];
  platform::StringGrid* main_table_ = nullptr;
  // The main-table row of each programming row (index 0 unused).
  std::vector<int> main_rows_;

  std::string device_type_;
  int write_code_ = 0;
  std::string terminator_line_;
  AddressState address_;
  Model model_ = Model::Acknowledging;
  Phase phase_ = Phase::Programming;
  int current_row_ = 1;
  bool rows_loaded_ = false;
  bool ready_ = true;
  bool no_mark_ = false;
  bool pass_running_ = false;
  // Retry or Skip pressed while an acknowledging pass waits: the pass acts
  // on it at its next step, for the row it handles.
  enum class Pending { None, Retry, Skip };
  Pending pending_ = Pending::None;
  // Reads of the current row that did not match (line-signalling).
  int line_reads_ = 0;
  // Changes whenever the line-signalling engine stops or is set going again;
  // a step that finds it changed after a wait ends without acting.
  unsigned line_course_ = 0;
  bool closing_ = false;
  Generation generation_ = 0;
};

}  // namespace tarvex::eeprom
