#include "outbound/send_message.h"

#include "app/folders.h"
#include "outbound/email_channel.h"
#include "outbound/outbox_message_file.h"
#include "platform/text_file.h"

namespace tarvex::outbound {

std::string one_message_sent(const std::string& number) {
  return "One message was send to " + number + "!";
}

int RecentNumbers::PopulateNumbers(const std::string& number) {
  if (number.empty()) return -1;
  for (int i = static_cast<int>(list_.size()) - 1; i >= 0; --i)
    if (list_[i] == number) return i;
  newest_ = (newest_ + 1) % kSlots;
  slots_[newest_] = number;
  list_.clear();
  for (int i = newest_; i >= 0; --i)
    if (!slots_[i].empty()) list_.push_back(slots_[i]);
  for (int i = kSlots - 1; i > newest_; --i)
    if (!slots_[i].empty()) list_.push_back(slots_[i]);
  return 0;
}

SendMessageOpening take_presets(app::Session& session, const std::string& current_unit_number) {
  SendMessageOpening opening;
  if (session.preset_number.empty() && session.preset_text.empty()) {
    opening.number = current_unit_number;
  } else if (!session.preset_number.empty()) {
    opening.number = session.preset_number;
    session.preset_number.clear();
  } else {
    opening.text = session.preset_text;
    session.preset_text.clear();
  }
  return opening;
}

MessageSender::MessageSender(app::Session& session, EmailChannel& email,
                             std::function<void(const std::string&)> write_log)
    : session_(session), email_(email), write_log_(std::move(write_log)) {}

SendOutcome MessageSender::sent(const std::string& number, const std::string& log_event) {
  SendOutcome outcome{true, true, recent_.PopulateNumbers(number)};
  session_.ui.message(one_message_sent(number));
  if (write_log_) write_log_(log_event);
  return outcome;
}

SendOutcome MessageSender::send_sms(const std::string& number, const std::string& text) {
  // A file without a destination would reach the modem engine as a message
  // to nobody.
  if (number.empty()) {
    session_.ui.message(kNoNumberToSendTo);
    return {};
  }
  const std::string folder =
      app::resolve_folder(session_.start_folder, session_.settings.programming_folder);
  try {
    if (auto problem = destination_problem(number)) throw OutboxError(*problem);
    ensure_programming_folder(folder);
    int tag = counter_;
    // Waiting files are few; the bound only guards against a folder that
    // answers "exists" to everything.
    for (int tries = 0; tries < 10000; ++tries, ++tag) {
      if (!platform::file_exists(
              platform::join_path(folder, plain_message(number, tag, text).file_name())))
        break;
    }
    write_outbox_file(folder, plain_message(number, tag, text));
    counter_ = tag + 1;
  } catch (const OutboxError& e) {
    // The window reports the file system's own reason, naming the path.
    session_.ui.message(e.platform_text().empty() ? e.what() : e.platform_text());
    return {};
  }
  return sent(number, kSmsSentLogEntry + number);
}

SendOutcome MessageSender::send_by_email(const std::string& number, const std::string& text) {
  if (!email_.settings().complete()) {
    session_.ui.message(kAccountIncomplete);
    return {};
  }
  if (number.empty()) {
    session_.ui.message(kNoNumberToSendTo);
    return {};
  }
  if (!email_.check_connect()) return {false, true, -1};
  if (!email_.send_email(email_subject(email_.settings(), number),
                         email_body(email_.settings(), number, {text})))
    return {};
  return sent(number, kSmsSentLogEntry + number + " via email");
}

}  // namespace tarvex::outbound
