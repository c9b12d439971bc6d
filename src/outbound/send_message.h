#pragma once

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/session.h"

namespace tarvex::outbound {

class EmailChannel;

inline constexpr int kMaxMessageLength = 160;
inline constexpr const char* kSmsSentLogEntry = "SMS send to: ";
inline constexpr const char* kNoNumberToSendTo =
    "There is no number to send to! Please type a number.";

// "One message was send to " + number + "!"
std::string one_message_sent(const std::string& number);

// The drop-down list of the last 20 numbers a message went to: a ring of
// slots, shown newest first.
class RecentNumbers {
 public:
  static constexpr int kSlots = 20;

  // Puts number into the list unless it is there already (an empty number
  // counts as there). Returns the index in list() of the entry to select,
  // -1 for none.
  int PopulateNumbers(const std::string& number);
  const std::vector<std::string>& list() const { return list_; }

 private:
  std::array<std::string, kSlots> slots_;
  int newest_ = -1;
  std::vector<std::string> list_;
};

// What an activation of the Send Message window does with the presets that
// its opener left in the session; it takes and clears them.
struct SendMessageOpening {
  // PopulateNumbers with this number.
  std::optional<std::string> number;
  // Put this into the message box and empty the number box.
  std::optional<std::string> text;
};
SendMessageOpening take_presets(app::Session& session, const std::string& current_unit_number);

struct SendOutcome {
  bool sent = false;   // the message went out; recent-number list updated
  bool close = false;  // the window closes
  int select = -1;     // entry of the recent-number list to select, when sent
};

// The Send Message window's state and its two ways of sending one free text.
class MessageSender {
 public:
  // write_log appends to the event log and reports its own failures.
  MessageSender(app::Session& session, EmailChannel& email,
                std::function<void(const std::string&)> write_log);
  MessageSender(const MessageSender&) = delete;
  MessageSender& operator=(const MessageSender&) = delete;

  RecentNumbers& recent() { return recent_; }
  // The tag of the next outbox file; starts at 1 and only grows.
  int message_counter() const { return counter_; }

  // number + ",7," + text, no line end, into number_<counter>.txt of the
  // programming folder. A counter value whose file is still waiting for the
  // modem engine (left from an earlier run of the program) is passed over.
  SendOutcome send_sms(const std::string& number, const std::string& text);
  // The programming e-mail with text as its one payload line.
  SendOutcome send_by_email(const std::string& number, const std::string& text);

 private:
  SendOutcome sent(const std::string& number, const std::string& log_event);

  app::Session& session_;
  EmailChannel& email_;
  std::function<void(const std::string&)> write_log_;
  RecentNumbers recent_;
  int counter_ = 1;
};

}  // namespace tarvex::outbound
