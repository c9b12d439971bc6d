// Replies of an SMTP server we do not control, through the transport seam:
// the first NUL-separated parts of the input are the greeting and the
// replies to EHLO/HELO, STARTTLS, AUTH, MAIL, RCPT, DATA, end of data and
// QUIT; a byte of the input picks the security.
#include "fuzz_support.h"
#include "outbound/smtp_client.h"
#include "platform/virtual_scheduler.h"
#include "support/scripted_smtp_server.h"

using namespace tarvex;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::string input = fuzz::bytes_of(data + 1, size - 1);
  platform::VirtualScheduler scheduler;
  auto transport = std::make_unique<testing::ScriptedSmtpServer>();
  testing::ScriptedSmtpServer& server = *transport;
  server.greeting = {fuzz::part(input, 0)};
  const char* verbs[] = {"EHLO", "HELO", "STARTTLS", "AUTH", "MAIL", "RCPT", "DATA", ".", "QUIT"};
  for (int i = 0; i < 9; ++i) server.replies[verbs[i]] = {fuzz::part(input, i + 1)};
  server.delay_polls = data[0] & 3;

  outbound::SmtpClient client(scheduler, std::move(transport));
  client.Host = "mail.example.net";
  // Every reply is there at once or after a few polls, so a short limit
  // changes no outcome; a reply without its line end then ends the wait in
  // a hundred polls instead of ten thousand.
  client.TimeOut = 200;
  client.UserID = "tarvex";
  client.Security = static_cast<outbound::SmtpSecurity>((data[0] >> 2) % 3);
  client.LoginUser = (data[0] & 0x20) ? "user" : "";
  client.LoginPassword = "secret";
  client.PostMessage.FromName = "Anna";
  client.PostMessage.FromAddress = "anna@tarvex.example";
  client.PostMessage.ToAddress = {"prog@tarvex.example"};
  client.PostMessage.Subject = "ACC1 -- +27821234567";
  client.PostMessage.Body = {"hello"};
  bool succeeded = false;
  client.OnSuccess = [&] { succeeded = true; };
  try {
    client.connect();
    client.send_mail();
    client.disconnect();
  } catch (const std::exception&) {
    // A refusal or a broken reply ends the session with a message; only a
    // crash, a hang or a wrong success counts.
  }
  // A message counts as sent only when the answer to the end of the data
  // (and not some other command's) has a code below 400.
  const std::string end_reply = fuzz::part(input, 8);
  if (succeeded && (end_reply.size() < 3 || end_reply[0] < '0' || end_reply[0] > '3'))
    __builtin_trap();
  return 0;
}
