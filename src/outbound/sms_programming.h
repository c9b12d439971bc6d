#pragma once

#include <functional>
#include <string>

#include "app/session.h"
#include "device/device.h"
#include "platform/string_grid.h"
#include "platform/ui.h"

// Programming a unit by SMS: the run over the selected rows of the message
// table, and the one-command send of the main window's command list. Both
// write outbox files for the modem engine and never wait for it.
namespace tarvex::outbound {

inline constexpr const char* kInvalidUnitNumber = "Not a valid Unit Number!";
inline constexpr const char* kInvalidPassword = "Not a valid Password!";
using device::kMessageError;
using device::kMessageProgrammed;
using device::kSelected;
inline constexpr const char* kProgrammedCount = " Messages have been programmed!";
inline constexpr const char* kProgrammingLogEntry = "Programing: ";
inline constexpr const char* kNoMessageSent = "No message was send";
// Label6 after an entry of the command list is chosen, and when it is blanked.
inline constexpr const char* kCommandChosenStatus = "   ";
inline constexpr const char* kCommandStatusBlank = "    ";
inline constexpr int kProgramMenuLockMs = 5000;
inline constexpr int kCommandStatusMs = 5000;
inline constexpr int kMaxProgCodeLength = 5;
inline constexpr int kMinUnitNumberLength = 6;
inline constexpr int kMinPasswordLength = 4;

// The framing strings of Config.ini, used exactly as read.
struct FramingStrings {
  std::string standard_prefix;
  std::string standard_suffix;
  std::string alternative_prefix;
  std::string alternative_suffix;
};
FramingStrings framing_from(const app::Settings& settings);

// "Program via SMS" frames by the programming mode; "Program Using Alt
// Programming Settings" always with the alternative strings.
enum class SmsFraming { CurrentMode, Alternative };

// What stands between ",7," and the Prog Code: prefix + password + suffix of
// the framing in use. With CurrentMode, mode 2 takes the alternative strings,
// 0 and 1 the standard ones, and any other value nothing at all (not even the
// password).
std::string programming_framing(SmsFraming which, int mode, const FramingStrings& framing,
                                const std::string& password);

// framing + Prog Code + '"' + Flags + Text Message + '"'
std::string programming_body(const std::string& framing, const std::string& prog_code,
                             const std::string& flags, const std::string& text);

// The checks every programming run (SMS or e-mail) makes of a selected row,
// in their order: Prog Code length, Prog Len as a whole number, Flags + Text
// Message against Prog Len.
struct RowCheck {
  enum class Verdict { Accept, Refuse, Stop };
  Verdict verdict = Verdict::Accept;
  std::string message;  // shown to the operator for Refuse and Stop
};
RowCheck check_programming_row(const platform::StringGrid& grid, int row);

struct SmsRunInputs {
  std::string unit_number;
  std::string password;
  int mode = 0;
  FramingStrings framing;
  std::string programming_folder;  // resolved; empty when not set
  platform::StringGrid& grid;      // the message table, 6 columns
  platform::Ui& ui;
  // Called when the run reached its end, before the count message.
  std::function<void()> lock_program_menu;
  // Appends an event-log entry (reports its own failures).
  std::function<void(const std::string& event)> write_log;
};

struct SmsRunResult {
  bool completed = false;  // every row handled, count shown, log written
  int programmed = 0;      // files written
};

// Walks the table from the first data row to the last and writes one outbox
// file for every row whose outcome cell reads exactly "Selected". Rows refused
// by a length check get "Message Error" and the run goes on; a Prog Len that is
// not a whole number, a refused unit number or a file that can not be written
// stop the run where it is, with no count message and no log entry.
SmsRunResult program_via_sms(const SmsRunInputs& in, SmsFraming which);

// Draws command-file tags, numbers from 0 to 499.
using TagSource = std::function<int()>;
// A pseudo-random source seeded once from the clock.
TagSource clock_seeded_tag_source();

// A tag for a command file to destination whose name is not taken yet in
// folder: a pending, not yet sent command is not overwritten by the next one
// that happens to draw the same number. After many taken draws the last one
// is used.
int draw_free_tag(const std::string& folder, const std::string& destination, const TagSource& draw);

// Writes a command file (command_message()) for unit_number with a tag from
// draw_free_tag(), making sure the folder exists first, and returns its path.
// Throws OutboxError for a refused number or a file that can not be written.
std::string write_command_file(const std::string& folder, const std::string& unit_number,
                               const std::string& prefix, const std::string& password,
                               const std::string& command, const TagSource& draw);

struct CommandSendInputs {
  std::string unit_number;
  std::string password;
  int mode = 0;
  FramingStrings framing;
  std::string programming_folder;  // resolved; empty when not set
  std::string command;             // of the entry last chosen; may be empty
  platform::Ui& ui;
  TagSource draw_tag;
};

struct CommandSendResult {
  std::string status;     // new Label6 text, shown for 5 s; empty: leave Label6
  std::string log_event;  // event-log entry to append; empty: none
  std::string path;       // the file written; empty: none
};

// The command-list Send: "NONE", "Report:N", then unit number, ",7,", the
// mode's prefix, the password and the command, CR LF. Checks neither the unit
// number nor the password; refuses for a mode other than 1 or 2. A write
// failure is shown through ui and leaves everything else as it was.
CommandSendResult send_command(const CommandSendInputs& in);

}  // namespace tarvex::outbound
