// What a serial programmer we do not control sends back during a
// programming run, through the serial seam: every byte the run reads comes
// from the input, and the modem lines follow it too.
#include "eeprom/programming_run.h"
#include "fuzz_support.h"
#include "platform/serial_backend.h"
#include "platform/virtual_scheduler.h"
#include "support/recording_programmer_view.h"
#include "support/scripted_ui.h"

using namespace tarvex;

namespace {

class ReplayedProgrammer final : public platform::SerialBackend {
 public:
  explicit ReplayedProgrammer(std::string bytes) : bytes_(std::move(bytes)) {}
  bool open(const std::string&) override { return open_ = true; }
  void close() override { open_ = false; }
  bool is_open() const override { return open_; }
  bool get_settings(platform::LineSettings& s) override { return (s = settings_), true; }
  bool set_settings(const platform::LineSettings& s) override { return (settings_ = s), true; }
  void set_queue_sizes(int, int) override {}
  platform::QueueCounts queue_counts() override {
    return {next_ < bytes_.size() ? static_cast<int>(bytes_.size() - next_) : 0, 0};
  }
  std::size_t consumed() const { return next_; }
  bool read_byte(std::uint8_t& byte) override {
    if (next_ >= bytes_.size()) return false;
    byte = static_cast<std::uint8_t>(bytes_[next_++]);
    return true;
  }
  int write(const std::uint8_t*, int count) override { return count; }
  bool set_rts(bool) override { return true; }
  bool set_dtr(bool) override { return true; }
  unsigned modem_status() override {
    return next_ < bytes_.size() && (bytes_[next_] & 1) ? platform::kModemCtsOn : 0;
  }
  void purge() override {}

 private:
  std::string bytes_;
  std::size_t next_ = 0;
  bool open_ = false;
  platform::LineSettings settings_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool written = [] {
    fuzz::folder().write("EEPROM Devices/Gate.dtp",
                         "24FC256\r\n\x01\r\n$0000\r\n1\r\n$0040\r\n2\r\n$0080\r\n3\r\n");
    return true;
  }();
  (void)written;
  platform::VirtualScheduler scheduler;
  testing::ScriptedUi ui;
  ReplayedProgrammer programmer(fuzz::bytes_of(data, size));
  eeprom::ProgrammingRun run(programmer, scheduler, ui, fuzz::folder().path());
  testing::RecordingProgrammerView view(run, scheduler);
  platform::StringGrid table(6, 4);
  for (int r = 1; r <= 3; ++r)
    table.set_row_cells(r, {"d", std::to_string(r), "30", "1010", "Text", "Selected"});
  if (!run.load_rows(table, "Gate")) return 0;
  run.FormActivate();
  // A bounded session: whenever the run offers its buttons, skip the row;
  // the run must end (or wait for the operator) within virtual minutes.
  // Once the run has taken no byte for 15 virtual seconds (longer than its
  // six attempts at a row plus a watchdog), only time-outs are left, and
  // the tests of the run cover those: the session ends there.
  std::size_t taken = 0;
  for (int step = 0, idle = 0; step < 40 && view.closes == 0 && idle < 3; ++step) {
    scheduler.advance(5000);
    if (view.buttons) run.Button3Click();
    idle = programmer.consumed() == taken ? idle + 1 : 0;
    taken = programmer.consumed();
  }
  if (view.closes == 0) run.Escape();
  return 0;
}
