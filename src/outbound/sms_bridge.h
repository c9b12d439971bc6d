#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <optional>
#include <string>
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
  std::string number;    // the sender, or the destination of a sent message
  std::string text;      // 8-bit text
  std::time_t time = 0;  // when it happened; 0: when the bridge learns of it
  std::string file;      // the gateway's record of it
};

class SmsGateway {
 public:
  virtual ~SmsGateway() = default;
  // Puts the message into the gateway's outbox, complete or not at all, under
  // a name never used before. Throws platform::FileError.
  virtual void submit(const GatewayMessage& message) = 0;
  // Whether the message handed over with serial is still in the gateway's
  // hands (waiting, sent or failed, and not yet finished).
  virtual bool holds(std::uint64_t serial) = 0;
  // What the gateway has to tell, each thing once it is complete.
  virtual std::vector<GatewayEvent> events(std::int64_t now_ms) = 0;
  // The event has been passed on: the gateway's record of it may go.
  virtual void finish(const GatewayEvent& event) = 0;
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
  SmsBridge(EngineFolders folders, SmsGateway& gateway, std::function<std::int64_t()> wall_ms,
            std::int64_t settle_ms = 500);

  // One round at time now_ms (any monotonic clock): hands every complete
  // outbox file to the gateway (and finishes hand-overs that an earlier run
  // left half done), then passes on what the gateway has to tell, in one
  // incoming file and in the unit log. Returns how many files and events were
  // handled. Throws platform::FileError when the incoming file can not be
  // written; nothing of that round's events is lost, they come again.
  int poll(std::int64_t now_ms);

  // Appends one line, after the time, to the bridge's log.
  void log(const std::string& text);

 private:
  struct Claim {
    std::string name;          // the outbox file's name
    std::string claimed_path;  // "<name>.<serial>.sending"
    std::uint64_t serial;
  };
  std::uint64_t next_serial();
  void hand_over(const Claim& claim, const std::string& bytes, std::vector<std::string>& lines);
  void refuse(const Claim& claim, const std::string& number, const std::string& why,
              std::vector<std::string>& lines);
  void pass_on(const std::vector<std::string>& lines);

  EngineFolders folders_;
  SmsGateway& gateway_;
  std::function<std::int64_t()> wall_ms_;
  CompleteFiles outbox_;
  std::uint64_t last_serial_ = 0;
  unsigned incoming_files_ = 0;
  std::string last_failure_;
};

}  // namespace tarvex::outbound
