#pragma once

#include <functional>
#include <string>

#include "platform/string_grid.h"

namespace tarvex::platform {
class Scheduler;
class Ui;
}  // namespace tarvex::platform

namespace tarvex::eeprom {

class TUart;

inline constexpr const char* kNoReader = "Unable to detect an EEPROM Reader!";
inline constexpr const char* kContactid = "Contactid";
// The longest silence between the bytes of a stored text.
inline constexpr int kReadBackSilenceMs = 500;

// A stored text (its terminator removed) split back into the Flags and Text
// Message cells: eight "0"/"1" digits at the start are the flags, for
// "Contactid" with a "/" and four more characters after them; for the other
// types a ninth "0"/"1" digit means there are no flags (a zone string).
struct StoredMessage {
  std::string flags;
  std::string text;
};
StoredMessage split_stored_text(const std::string& stored, const std::string& hardware_type);

// The progress window of a read-back.
class ReadProgressView {
 public:
  virtual ~ReadProgressView() = default;
  // Shows the window (not modal) with the gauge at 0 of 0..maximum.
  virtual void show_progress(int maximum) = 0;
  virtual void set_position(int position) = 0;
  virtual void close_progress() = 0;
};

// What the read-back works on in the main window.
struct ReadBackTarget {
  platform::StringGrid& table;           // the message table
  platform::StringGrid& template_table;  // StringGrid3: address, code
  std::function<void(bool enabled)> enable_table;
  std::function<void(int top_row)> scroll_table;
};

// "Read Programming with EEPROM Programmer": reads the stored text of every
// row whose code is in the device template from an acknowledging programmer
// into the table, marking it "Loaded". Runs inside one menu event, pumping
// messages at every row and in every serial wait so that "Cancel" acts.
class ReadBack {
 public:
  ReadBack(TUart& uart, platform::Scheduler& scheduler, platform::Ui& ui)
      : uart_(uart), scheduler_(scheduler), ui_(ui) {}
  ReadBack(const ReadBack&) = delete;
  ReadBack& operator=(const ReadBack&) = delete;

  void run(ReadBackTarget& target, const std::string& hardware_type,
           const std::string& start_folder, int com_port, ReadProgressView& progress);
  // The progress window's "Cancel".
  void Cancel();
  bool running() const { return target_ != nullptr; }

 private:
  void read_rows(ReadBackTarget& target, const std::string& hardware_type, int read_code,
                 std::uint8_t terminator);
  void finish();

  TUart& uart_;
  platform::Scheduler& scheduler_;
  platform::Ui& ui_;
  bool cancel_ = false;
  ReadBackTarget* target_ = nullptr;
  ReadProgressView* progress_ = nullptr;
};

}  // namespace tarvex::eeprom
