#include "eeprom/programming_run.h"

#include <algorithm>
#include <string_view>

#include "device/device.h"
#include "platform/scheduler.h"
#include "platform/serial_backend.h"
#include "platform/ui.h"

namespace tarvex::eeprom {

int progress_percent(int current_row, int rows) {
  if (rows <= 0) return 0;
  const long long numerator = static_cast<long long>(current_row - 1) * 100;
  long long whole = numerator / rows;
  const long long twice_rest = 2 * (numerator % rows);
  if (twice_rest > rows || (twice_rest == rows && whole % 2 != 0)) ++whole;
  return static_cast<int>(whole);
}

std::string unknown_chip_text(const std::string& type_name, const std::string& template_file) {
  return "Unknown EEPROM type \"" + type_name + "\" in the device template file " + template_file +
         "!";
}

ProgrammingRun::ProgrammingRun(platform::SerialBackend& backend, platform::Scheduler& scheduler,
                               platform::Ui& ui, std::string start_folder)
    : scheduler_(scheduler),
      ui_(ui),
      start_folder_(std::move(start_folder)),
      uart_(backend, scheduler, ui) {
  const int intervals[6] = {wait::kCloser,   wait::kLineFirstStep, wait::kLineWatchdog,
                            wait::kCtsLatch, wait::kAckPassDelay,  wait::kAckWatchdog};
  for (int i = 0; i < 6; ++i) timers_[i] = scheduler.create_timer(intervals[i]);
  timers_[0]->set_handler([this] { Timer1Timer(); });
  timers_[1]->set_handler([this] { Timer2Timer(); });
  timers_[2]->set_handler([this] { Timer3Timer(); });
  timers_[3]->set_handler([this] { Timer4Timer(); });
  timers_[4]->set_handler([this] { Timer5Timer(); });
  timers_[5]->set_handler([this] { Timer6Timer(); });
  // FormCreate: the headings.
  grid1_.set_row_cells(0, {"No", "PGM", "Message", "Progress"});
}

ProgrammingRun::~ProgrammingRun() {
  for (auto& t : timers_) t->set_enabled(false);
}

platform::Timer& ProgrammingRun::timer(int n) const {
  return *timers_[n - 1];
}

void ProgrammingRun::restart(int n, int interval) {
  timer(n).set_interval(interval);
  timer(n).set_enabled(true);
}

void ProgrammingRun::stop_all_timers() {
  for (auto& t : timers_) t->set_enabled(false);
}

bool ProgrammingRun::load_rows(platform::StringGrid& main_table, const std::string& hardware_type) {
  if (hardware_type.empty()) {
    ui_.message(kNoHardwareType);
    return false;
  }
  main_table_ = &main_table;
  platform::GridUpdate batch(grid1_);
  platform::GridUpdate batch_main(main_table);
  grid1_.clear_rows(1, grid1_.row_count() - 1);
  grid1_.set_row_count(2);
  device_type_ = hardware_type;
  if (view_) view_->show_label(1, "Device: " + device_type_);
  // The rows open a new window: it can be closed again, by an Esc even
  // before the run starts (Windows delivers one waiting key first).
  closing_ = false;
  rows_loaded_ = false;
  main_rows_.assign(1, 0);
  int k = 1;
  for (int r = 1; r < main_table.row_count(); ++r) {
    if (main_table.cell(device::kColState, r) != device::kSelected) continue;
    const std::string message =
        main_table.cell(device::kColFlags, r) + main_table.cell(device::kColText, r);
    main_table.set_cell(device::kColState, r, device::kMessageProgrammed);
    grid1_.set_row_cells(
        k, {std::to_string(k), main_table.cell(device::kColProgCode, r), message, kUnprocessed});
    main_rows_.push_back(r);
    ++k;
    grid1_.set_row_count(k + 1);
    rows_loaded_ = true;
  }
  grid1_.set_row_count(std::max(2, k));
  if (rows_loaded_) phase_ = Phase::Programming;
  return rows_loaded_;
}

void ProgrammingRun::FormActivate() {
  // The window's state is new from load_rows(); an Esc since has closed it.
  if (closing_) return;
  const Generation g = generation_;
  if (view_) view_->enable_buttons(false);
  no_mark_ = false;
  pass_running_ = false;
  pending_ = Pending::None;
  line_reads_ = 0;

  EepromTemplate tpl;
  const std::string template_file = template_path(start_folder_, device_type_);
  try {
    tpl = load_template(template_file);
  } catch (const std::exception&) {
    ui_.message(kTemplateOpenError);
    if (!alive(g)) return;
    return_unverified_rows();
    timer(1).set_enabled(true);
    return;
  }
  if (view_) view_->show_label(2, "EEPROM: " + tpl.type_name);
  // A type the programmer does not know gets no command code, rather than
  // the code of an earlier run's chip.
  write_code_ = write_command_code(tpl.type_name);
  if (write_code_ == 0) {
    // Without a command code of its own the read code would be 2, a write
    // command: nothing is sent at all.
    ui_.message(unknown_chip_text(tpl.type_name, template_file));
    if (!alive(g)) return;
    return_unverified_rows();
    timer(1).set_enabled(true);
    return;
  }
  terminator_line_ = tpl.terminator_line;
  {
    platform::GridUpdate batch(grid1_);
    grid2_.clear_rows(0, grid2_.row_count() - 1);
    grid2_.set_row_count(grid1_.row_count());
    for (int k = 1; k <= rows(); ++k) {
      const TemplateEntry* entry = tpl.find(grid1_.cell(kColPgm, k));
      // An address that cannot be split is never sent either.
      const bool usable = entry && !eeprom::split_address(entry->address).error;
      set_status(k, usable ? kReady : kAddressMissing);
      grid2_.set_cell(kColAddress, k, entry ? entry->address : kAddressMissing);
      grid2_.set_cell(kColAddressMessage, k, usable ? grid1_.cell(kColMessage, k) : "");
    }
  }

  uart_.SetPort(com_port());
  uart_.SetActive(true);
  uart_.PauseAndPump(wait::kAfterOpen);
  if (!alive(g)) return;
  if (!uart_.Active()) {
    ui_.message(kPortOpenError);
    if (!alive(g)) return;
    return_unverified_rows();
    timer(1).set_enabled(true);
    return;
  }

  uart_.WriteByte(kEnq);
  const bool answered = uart_.WaitForByte(kAck, wait::kDetect);
  if (!alive(g)) return;
  phase_ = Phase::Programming;
  if (answered) {
    model_ = Model::Acknowledging;
    timer(5).set_enabled(true);
  } else {
    model_ = Model::LineSignalling;
    start_line_signalling();
    if (!alive(g)) return;
  }
  current_row_ = 1;
  if (view_) {
    view_->show_label(4, "Progress: 0%");
    view_->show_label(5, "Data:");
  }
}

void ProgrammingRun::FormClose() {
  rows_loaded_ = false;
  uart_.SetActive(false);
  // Every timer stops with the window: a watchdog left running would offer
  // Retry on a window that is gone.
  stop_all_timers();
  ++generation_;
}

void ProgrammingRun::close_window() {
  if (closing_) return;
  closing_ = true;
  if (view_)
    view_->close_window();  // the window calls FormClose()
  else
    FormClose();
}

void ProgrammingRun::Escape() {
  stop_all_timers();
  uart_.SetActive(false);
  return_unverified_rows();
  close_window();
}

void ProgrammingRun::Button1Click() {
  if (main_table_) {
    platform::GridUpdate batch(*main_table_);
    for (int k = 1; k <= rows(); ++k) {
      if (grid1_.cell(kColProgress, k) == kAddressMissing) continue;
      if (phase_ == Phase::Programming) {
        set_outcome(k, k <= current_row_ ? device::kProgrammingFailed : device::kSelected);
      } else if (k >= current_row_) {
        // The row verification stopped at did not match either.
        set_outcome(k, device::kProgrammingFailed);
      }
    }
    mark_missing_rows();
  }
  close_window();
}

void ProgrammingRun::return_unverified_rows() {
  if (!main_table_) return;
  platform::GridUpdate batch(*main_table_);
  for (int k = 1; k <= rows(); ++k)
    if (grid1_.cell(kColProgress, k) != kVerified) set_outcome(k, device::kSelected);
}

void ProgrammingRun::mark_missing_rows() {
  if (!main_table_) return;
  platform::GridUpdate batch(*main_table_);
  for (int k = 1; k <= rows(); ++k)
    if (grid1_.cell(kColProgress, k) == kAddressMissing) set_outcome(k, device::kMessageError);
}

void ProgrammingRun::set_outcome(int k, const char* outcome) {
  if (!main_table_ || k < 1 || k > rows() || k >= static_cast<int>(main_rows_.size())) return;
  main_table_->set_cell(device::kColState, main_rows_[k], outcome);
}

bool ProgrammingRun::open_port() {
  if (!uart_.Active()) uart_.SetActive(true);
  return uart_.Active();
}

void ProgrammingRun::Button2Click() {
  if (model_ == Model::Acknowledging) {
    if (view_) view_->enable_buttons(false);
    if (pass_running_) {
      pending_ = Pending::Retry;
      return;
    }
    open_port();
    timer(5).set_enabled(true);
    return;
  }
  open_port();
  ++line_course_;
  line_reads_ = 0;
  restart(2, wait::kLineStep);
  restart(3, wait::kLineWatchdog);
  if (view_) view_->enable_buttons(false);
  no_mark_ = true;
  ready_ = true;
  // The row sent last is sent again.
  if (phase_ == Phase::Programming) current_row_ = std::max(1, current_row_ - 1);
}

void ProgrammingRun::Button3Click() {
  if (model_ == Model::Acknowledging) {
    if (view_) view_->enable_buttons(false);
    if (pass_running_) {
      pending_ = Pending::Skip;
      return;
    }
    set_outcome(current_row_,
                phase_ == Phase::Verification ? device::kProgrammingFailed : device::kSelected);
    open_port();
    ++current_row_;
    timer(5).set_enabled(true);
    return;
  }
  open_port();
  ++line_course_;
  line_reads_ = 0;
  restart(2, wait::kLineStep);
  restart(3, wait::kLineWatchdog);
  if (view_) view_->enable_buttons(false);
  no_mark_ = true;
  ready_ = true;
  if (phase_ == Phase::Verification) {
    // The row left out was not verified.
    set_outcome(current_row_, device::kProgrammingFailed);
    ++current_row_;
  }
}

void ProgrammingRun::Timer1Timer() {
  timer(1).set_enabled(false);
  uart_.SetActive(false);
  timer(2).set_enabled(false);
  timer(3).set_enabled(false);
  close_window();
}

void ProgrammingRun::Timer6Timer() {
  if (view_) view_->enable_buttons(true);
}

void ProgrammingRun::show_progress(const char* prefix) {
  if (view_)
    view_->show_label(4, prefix + std::to_string(progress_percent(current_row_, rows())) + "%");
}

void ProgrammingRun::scroll() {
  if (view_ && current_row_ > 12 && current_row_ < grid1_.row_count() - 7)
    view_->scroll_to(current_row_ - 11);
}

void ProgrammingRun::set_status(int row, const char* status) {
  // Row 0 holds the headings and is never a status.
  if (row >= 1 && row <= rows()) grid1_.set_cell(kColProgress, row, status);
}

void ProgrammingRun::split_address(int row) {
  GetAddress(scheduler_, grid2_.cell(kColAddress, row), address_);
  if (view_) view_->show_label(6, address_.label);
}

std::uint8_t ProgrammingRun::terminator_byte() const {
  return terminator_line_.empty() ? 0 : static_cast<std::uint8_t>(terminator_line_[0]);
}

int ProgrammingRun::read_code() const {
  return write_code_ == 6 ? 7 : write_code_ + 2;
}

void ProgrammingRun::fail_pass() {
  ui_.message(kProgramAllError);
  if (view_) view_->enable_buttons(true);
  uart_.SetActive(false);
  timer(6).set_enabled(false);
}

bool ProgrammingRun::pumped_wait(int ms, Generation g) {
  constexpr int kStepMs = 5;
  const std::int64_t end = scheduler_.now_ms() + ms;
  for (std::int64_t left = ms; left > 0; left = end - scheduler_.now_ms()) {
    uart_.PauseAndPump(static_cast<int>(std::min<std::int64_t>(left, kStepMs)));
    if (!alive(g)) return false;
  }
  return true;
}

// ---- The acknowledging engine: one Timer5 event runs a whole pass ----

void ProgrammingRun::Timer5Timer() {
  timer(5).set_enabled(false);
  // Retry or Skip pressed while a pass waits for the programmer: that pass
  // goes on; a second one inside it would mix two records on the line.
  if (pass_running_) return;
  pass_running_ = true;
  const Generation g = generation_;
  restart(6, wait::kAckWatchdog);
  run_acknowledging_pass(g);
  if (alive(g)) pass_running_ = false;
}

bool ProgrammingRun::ack_write(int row, Generation g) {
  open_port();
  uart_.WriteByte(static_cast<std::uint8_t>(write_code_));
  uart_.WriteByte(address_.high);
  uart_.WriteByte(address_.low);
  const std::string& message = grid2_.cell(kColAddressMessage, row);
  uart_.WriteString(message + terminator_line_, wait::kWriteString);
  if (!alive(g)) return false;
  if (view_) view_->show_label(5, "Data: " + message);
  return uart_.WaitForByte(kAck, wait::kAckWrite);
}

bool ProgrammingRun::ack_read_matches(int row, Generation g) {
  open_port();
  const std::uint8_t terminator = terminator_byte();
  for (std::uint8_t b :
       {static_cast<std::uint8_t>(read_code()), address_.high, address_.low, terminator})
    uart_.WriteByte(b);
  const std::string text = uart_.ReadUntil(terminator, wait::kAckRead);
  if (!alive(g)) return false;
  if (view_) view_->show_label(5, "Data: " + text);
  return text == grid2_.cell(kColAddressMessage, row) + terminator_line_;
}

void ProgrammingRun::ack_row_finished(const char* status) {
  // Whatever was pressed meanwhile, this row is finished.
  pending_ = Pending::None;
  set_status(current_row_, status);
  if (std::string_view(status) == kVerified) set_outcome(current_row_, device::kMessageProgrammed);
  ++current_row_;
  restart(6, wait::kAckWatchdog);
  show_progress();
  scroll();
}

bool ProgrammingRun::take_pending_skip() {
  if (pending_ != Pending::Skip) return false;
  pending_ = Pending::None;
  set_status(current_row_, kProgramError);
  set_outcome(current_row_,
              phase_ == Phase::Verification ? device::kProgrammingFailed : device::kSelected);
  ++current_row_;
  restart(6, wait::kAckWatchdog);
  show_progress();
  scroll();
  return true;
}

void ProgrammingRun::run_acknowledging_pass(Generation g) {
  pending_ = Pending::None;
  if (phase_ == Phase::Programming) {
    // Every row starts with its full count of attempts.
    int attempts = 0;
    while (current_row_ >= 1 && current_row_ <= rows()) {
      if (take_pending_skip()) {
        attempts = 0;
        continue;
      }
      split_address(current_row_);
      if (!alive(g)) return;
      if (address_.address_error) {
        pending_ = Pending::None;  // meant for a row that is left out anyway
        ++current_row_;
        attempts = 0;
        continue;
      }
      const bool acknowledged = ack_write(current_row_, g);
      if (!alive(g)) return;
      if (acknowledged) {
        ack_row_finished(kDone);
        attempts = 0;
        continue;
      }
      if (pending_ == Pending::Skip) continue;
      if (pending_ == Pending::Retry) {
        pending_ = Pending::None;
        attempts = 0;
      } else if (++attempts >= wait::kAckAttempts) {
        set_status(current_row_, kProgramError);
        fail_pass();
        return;
      }
      if (!pumped_wait(wait::kAckRetryPause, g)) return;
    }
    current_row_ = 1;
    phase_ = Phase::Verification;
    if (view_) view_->scroll_to(1);
  }

  while (current_row_ >= 1 && current_row_ <= rows()) {
    if (take_pending_skip()) continue;
    split_address(current_row_);
    if (!alive(g)) return;
    if (address_.address_error) {
      pending_ = Pending::None;
      ++current_row_;
      continue;
    }
    bool matches = ack_read_matches(current_row_, g);
    if (!alive(g)) return;
    if (!matches && pending_ != Pending::Skip) {
      // One repeated write, then one more reading.
      if (!pumped_wait(wait::kAckRetryPause, g)) return;
      const bool acknowledged = pending_ != Pending::Skip && ack_write(current_row_, g);
      if (!alive(g)) return;
      if (acknowledged && pending_ != Pending::Skip) {
        restart(6, wait::kAckWatchdog);
        matches = ack_read_matches(current_row_, g);
        if (!alive(g)) return;
      }
    }
    if (matches) {
      ack_row_finished(kVerified);
      continue;
    }
    if (pending_ == Pending::Skip) continue;
    if (pending_ == Pending::Retry) {
      // The row gets its repeated write and readings afresh.
      pending_ = Pending::None;
      continue;
    }
    set_status(current_row_, kProgramError);
    fail_pass();
    return;
  }

  if (!pumped_wait(wait::kAckFinish, g)) return;
  timer(6).set_enabled(false);
  if (view_) view_->enable_buttons(true);
  uart_.SetActive(false);
  mark_missing_rows();
  close_window();
}

// ---- The line-signalling engine: one record per Timer2 step ----

void ProgrammingRun::start_line_signalling() {
  // The programmer knows the 24FC512 by the 24FC256's codes.
  if (write_code_ == 6) write_code_ = 2;
  const Generation g = generation_;
  if (!pumped_wait(wait::kLineStart, g)) return;
  ready_ = true;
  line_reads_ = 0;
  timer(4).set_enabled(true);
  restart(2, wait::kLineFirstStep);
  restart(3, wait::kLineWatchdog);
}

void ProgrammingRun::Timer4Timer() {
  if (uart_.CTSState()) ready_ = true;
}

void ProgrammingRun::send_framed_header(std::uint8_t command) {
  // WriteByte returns once the byte has left, so RTS changes between bytes.
  uart_.SetRTS(true);
  scheduler_.sleep_ms(1);
  uart_.WriteByte(command);
  uart_.SetRTS(true);
  scheduler_.sleep_ms(1);
  uart_.WriteByte(address_.high);
  scheduler_.sleep_ms(1);
  uart_.SetRTS(true);
  uart_.WriteByte(address_.low);
}

void ProgrammingRun::line_write(int row) {
  send_framed_header(static_cast<std::uint8_t>(write_code_));
  uart_.SetRTS(false);
  scheduler_.sleep_ms(1);
  uart_.WriteString(grid2_.cell(kColAddressMessage, row) + terminator_line_,
                    wait::kLineWriteString);
}

std::string ProgrammingRun::line_read() {
  const std::uint8_t terminator = terminator_byte();
  send_framed_header(static_cast<std::uint8_t>(read_code()));
  scheduler_.sleep_ms(1);
  uart_.WriteByte(terminator);
  uart_.SetRTS(false);
  return uart_.ReadUntil(terminator, wait::kLineRead);
}

void ProgrammingRun::Timer2Timer() {
  timer(2).set_enabled(false);
  const Generation g = generation_;
  const unsigned course = line_course_;
  // The watchdog, Retry, Skip, Close or Esc may act in any wait of a step;
  // the step then ends without touching anything.
  auto interrupted = [&] { return !alive(g) || course != line_course_ || !uart_.Active(); };
  const bool verifying = phase_ == Phase::Verification;
  if (verifying) {
    scheduler_.process_messages();
    if (interrupted()) return;
    if (current_row_ < 9 && view_) view_->scroll_to(1);
  }
  if (uart_.CTSState() || !ready_) {
    restart(2, wait::kLineStep);
    return;
  }
  show_progress(verifying ? "Progress: Verifying... " : "Progress: ");
  const bool no_mark_at_start = no_mark_;
  if (!verifying && current_row_ > 1 && !no_mark_) set_status(current_row_ - 1, kDone);
  no_mark_ = false;

  if (current_row_ >= 1 && current_row_ <= rows()) {
    // A row without an address is passed over unsplit; one whose address
    // cannot be split as well: sending it would write the last row's
    // address again.
    const bool missing = grid2_.cell(kColAddress, current_row_) == kAddressMissing;
    if (!missing) {
      split_address(current_row_);
      if (interrupted()) return;
    }
    if (missing || address_.address_error) {
      ++current_row_;
      no_mark_ = true;
      restart(2, wait::kLineStep);
      restart(3, wait::kLineWatchdog);
      return;
    }
    const int row = current_row_;
    if (!verifying) {
      line_write(row);
      if (interrupted()) return;
      if (view_) view_->show_label(5, "Data: " + grid2_.cell(kColAddressMessage, row));
      restart(2, wait::kLineStep);
      restart(3, wait::kLineWatchdog);
      ready_ = false;
      ++current_row_;
      scroll();
      return;
    }
    const std::string text = line_read();
    if (interrupted()) return;
    if (view_) view_->show_label(5, "Data: " + text);
    timer(3).set_enabled(false);
    if (text == grid2_.cell(kColAddressMessage, row) + terminator_line_) {
      set_status(row, kVerified);
      set_outcome(row, device::kMessageProgrammed);
      ready_ = true;
      line_reads_ = 0;
      ++current_row_;
    } else if (++line_reads_ >= wait::kLineReads) {
      // A programmer that keeps pulsing CTS would keep the watchdog from
      // ever firing.
      stop_line_signalling(row, kVerifyError);
      return;
    } else {
      ready_ = false;  // read again after the programmer pulses CTS
    }
    restart(2, wait::kLineStep);
    restart(3, wait::kLineWatchdog);
    scroll();
    return;
  }

  if (!verifying) {
    if (!no_mark_at_start) set_status(rows(), kDone);
    phase_ = Phase::Verification;
    current_row_ = 1;
    ready_ = true;
    line_reads_ = 0;
    restart(2, wait::kLineStep);
    restart(3, wait::kLineWatchdog);
    return;
  }
  timer(2).set_enabled(false);
  timer(3).set_enabled(false);
  mark_missing_rows();
  timer(1).set_enabled(true);
}

void ProgrammingRun::stop_line_signalling(int row, const char* status) {
  ++line_course_;
  timer(3).set_enabled(false);
  timer(2).set_enabled(false);
  // A row without an address was never sent; it keeps saying so.
  if (grid1_.cell(kColProgress, row) != kAddressMissing) set_status(row, status);
  ui_.message(kProgramAllError);
  if (view_) view_->enable_buttons(true);
  uart_.SetActive(false);
}

void ProgrammingRun::Timer3Timer() {
  if (phase_ == Phase::Verification)
    stop_line_signalling(current_row_, kVerifyError);
  else
    stop_line_signalling(current_row_ > 1 ? current_row_ - 1 : 1, kProgramError);
}

}  // namespace tarvex::eeprom
