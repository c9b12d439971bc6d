#pragma once

#include <string>

#ifndef _WIN32
#include <sys/types.h>
#endif

// The real gammu-smsd on gammu's dummy phone driver, for the tests and the
// process-level fault rounds of the SMS gateway bridge. In a folder:
//   smsdrc        the daemon's configuration (the files service, detail inbox
//                 format, delivery reports stored as messages)
//   smsd.log      its log ("Found 1 sms to ... with text ..." per message it
//                 gives the phone)
//   phone/        the dummy phone: a file in phone/sms/1 is a message it receives
//   gw/inbox, gw/outbox, gw/sent, gw/error   the daemon's four folders
namespace tarvex::testing {

#ifndef _WIN32
// Writes the configuration, starts the daemon and waits until it talks to
// its phone. Returns why it does not run (gateway is then not running), or "".
std::string start_gammu_daemon(const std::string& folder, pid_t& gateway);
#endif

// A message that the dummy phone receives (status_report: a delivery report
// whose text is the network's word on it), written whole into
// phone/sms/1/<name> in gammu's SMS backup layout. sent: "yyyymmddThhmmss".
void give_phone_message(const std::string& folder, const std::string& name,
                        const std::string& number, const std::string& text,
                        bool status_report = false, const std::string& sent = "20261209T010700");

}  // namespace tarvex::testing
