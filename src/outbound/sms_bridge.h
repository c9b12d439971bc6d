#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <system_error>
#include <vector>

#include "outbound/complete_files.h"
#include "outbound/modem_engine_standin.h"

// The SMS gateway bridge: takes the modem engine's place in front of a real
// SMS gateway daemon that drives the GSM modem. Outbox files become messages
// in the gateway's outbox; what the gateway receives, sends, fails to send and
// learns from delivery reports becomes lines in the incoming-message folder
// and in the unit log. What is particular to one gateway lies behind
// SmsGateway; the rest is here.
namespace tarvex::outbound {

inline constexpr const char* kBridgeLogFile = "sms-bridge.log";
// Beside the log: what the bridge has passed on, across restarts.
inline constexpr const char* kBridgeStateFile = "sms-bridge.state";
// Beside setup.txt: the bridge's own settings (none needed).
inline constexpr const char* kBridgeSettingsFile = "sms-bridge.ini";

// The file operations on which it hangs whether a message goes out once and
// is told once. Tests make them fail.
class BridgeFiles {
 public:
  virtual ~BridgeFiles() = default;
  virtual bool remove(const std::string& path);
  virtual std::error_code rename(const std::string& from, const std::string& to);
  // A complete file, on the disk with its name when this returns. Throws
  // platform::FileError.
  virtual void write(const std::string& path, const std::string& bytes);
  virtual void sync_folder(const std::string& folder);
  // Throws platform::FileError.
  virtual void append(const std::string& path, const std::vector<std::string>& lines);
};

// The operating system's files.
BridgeFiles& system_bridge_files();

struct BridgeSettings {
  // A text longer than one SMS is refused unless this is set; the gateway
  // then sends it as linked parts, which many units do not join.
  bool multipart = false;
};

// Reads sms-bridge.ini ("multipart = yes"); a missing file gives the
// defaults. Throws platform::FileError when it can not be read,
// std::runtime_error naming the line that is not understood.
BridgeSettings read_bridge_settings(const std::string& path);

// How many SMS a text (8-bit, one byte per character) takes: in the GSM
// 7-bit alphabet when every character is in it (those of its extension table
// count twice), else in UCS-2.
struct SmsSize {
  bool unicode = false;
  std::size_t units = 0;  // septets, or UCS-2 characters
  int parts = 1;
};
SmsSize sms_size(const std::string& text);

// One message handed to the gateway.
struct GatewayMessage {
  std::string destination;  // digits with an optional leading "+"
  std::string text;         // 8-bit text, as the outbox file holds it
  bool delivery_report = false;
  std::string tag;           // of the outbox file's name, for the operator
  std::uint64_t serial = 0;  // never the same for two hand-overs
};

enum class GatewayOutcome { received, sent, failed, report };

// Something the gateway has to tell: a message it received, the outcome of a
// message handed to it, or a delivery report.
struct GatewayEvent {
  GatewayOutcome outcome = GatewayOutcome::received;
  std::string number;        // the sender, or the destination of a sent message
  std::string text;          // 8-bit text
  std::time_t time = 0;      // when it happened; 0: when the bridge learns of it
  std::string file;          // the gateway's record of it
  std::uint64_t serial = 0;  // of the hand-over a sent or failed message came from
};

class SmsGateway {
 public:
  virtual ~SmsGateway() = default;
  // Puts the message into the gateway's outbox, complete or not at all, under
  // a name never used before. Throws platform::FileError.
  virtual void submit(const GatewayMessage& message) = 0;
  // Whether the message handed over with serial is still in the gateway's
  // hands (waiting, sent or failed, and not yet finished). Throws
  // platform::FileError when that can not be told.
  virtual bool holds(std::uint64_t serial) = 0;
  // What the gateway has to tell, each thing once it is complete.
  virtual std::vector<GatewayEvent> events(std::int64_t now_ms) = 0;
  // The event has been passed on: the gateway's record of it (file) may go.
  // Returns whether it is gone.
  virtual bool finish(const std::string& file) = 0;
};

// Field 2 of the lines the bridge writes, naming what the line reports.
const char* outcome_field(GatewayOutcome outcome);

// The number as a gateway dials it: blanks, "-", "(", ")" and "." taken out.
// Nothing when what is left is not digits with an optional leading "+".
std::optional<std::string> dialable_number(const std::string& typed);

// The lines of the incoming-message layout for one event: number, field 2,
// "yyyy/mm/dd hh:mm:ss", text. A sent or failed message is named as such in
// the text too, since the program shows no field 2. A text longer than one
// line takes (160 characters) goes on over further lines; line ends in it
// become blanks, and commas in the number too, so that every line keeps its
// four fields.
std::vector<std::string> incoming_lines(const GatewayEvent& event, const std::string& time);

class SmsBridge {
 public:
  // folders: setup.txt's programming and incoming-message folders and unit log
  // (engine_folders()); wall_ms: milliseconds since 1970 (the system clock).
  // Throws platform::FileError when the state file beside the log can not be
  // read.
  SmsBridge(EngineFolders folders, SmsGateway& gateway, std::function<std::int64_t()> wall_ms,
            std::int64_t settle_ms = 500, BridgeSettings settings = {},
            BridgeFiles& files = system_bridge_files());

  // One round at time now_ms (any monotonic clock): hands every complete
  // outbox file to the gateway (and finishes hand-overs that an earlier run
  // left half done), then passes on what the gateway has to tell, in one
  // incoming file and in the unit log. Returns how many files and events were
  // handled. Throws platform::FileError when the incoming file can not be
  // written, or the unit log (for a few seconds of rounds, after which its
  // lines go to the bridge's log); nothing of that round's events is lost,
  // they come again.
  //
  // Each message is handed to the gateway once and each event told once,
  // whatever file operation fails and wherever the bridge is stopped: the
  // state file keeps what is being told and what was told, the incoming file
  // is put in place in one step, and a gateway record whose claim is still
  // there is kept until the claim is gone.
  int poll(std::int64_t now_ms);

  // Appends one line, after the time, to the bridge's log. Throws
  // platform::FileError.
  void log(const std::string& text);

 private:
  struct Claim {
    std::string name;          // the outbox file's name
    std::string claimed_path;  // "<name>.<serial>.sending"
    std::uint64_t serial;
  };
  struct Record {
    std::uint64_t serial = 0;
    std::string file;
  };
  // Lines on their way to the incoming folder and the unit log, as
  // "sms-bridge-<id>.txt", and the gateway records (or refused claims) they
  // tell of.
  struct Batch {
    std::uint64_t id = 0;
    std::vector<std::string> lines;
    std::vector<Record> records;
    bool in_state_file = false;
  };

  std::uint64_t next_serial();
  // log(), but a failure goes to standard error and ends nothing.
  void note(const std::string& text);
  // note() once for a key, until forget(key).
  void note_once(const std::string& key, const std::string& text);
  // The lines of a refusal go into told with the claim as their record: the
  // claim is set aside as bad once they are told, and never refused again.
  void hand_over(const Claim& claim, const std::string& bytes, Batch& told);
  void refuse(const Claim& claim, const std::string& number, const std::string& why, Batch& told);
  // Renames a refused claim to "<name>.bad"; false while it can not.
  bool set_aside(const std::string& claimed_path);
  std::string set_aside_path(const std::string& claimed_path) const;
  // Takes a claim away once its message is with the gateway; false while it
  // can be neither renamed nor deleted.
  bool clear_claim(const Claim& claim);
  void tell(Batch& batch);
  void finish_passed();
  void read_state();
  void read_state_file();
  bool save_state();
  bool told(const std::string& file) const;
  std::string incoming_path(std::uint64_t id, const char* extension) const;

  EngineFolders folders_;
  SmsGateway& gateway_;
  std::function<std::int64_t()> wall_ms_;
  BridgeSettings settings_;
  BridgeFiles& files_;
  CompleteFiles outbox_;
  std::string state_path_;
  std::uint64_t last_serial_ = 0;
  std::uint64_t last_batch_ = 0;
  std::optional<Batch> batch_;
  std::vector<Record> passed_;             // told, and the record not yet gone
  Batch held_;                             // refusals not in a batch yet
  std::set<std::uint64_t> stuck_serials_;  // claims that can not be cleared
  std::set<std::string> noted_;
  bool state_dirty_ = false;
  int unit_log_failures_ = 0;  // rounds in a row the unit log failed
};

}  // namespace tarvex::outbound
