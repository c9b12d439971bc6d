#include "support/gammu_daemon.h"

#include <cstdio>

#include "platform/file_api.h"
#include "platform/text_file.h"
#include "support/child_process.h"

namespace tarvex::testing {

namespace {

bool log_says(const std::string& log, const std::string& text) {
  return platform::file_exists(log) && platform::read_file(log).find(text) != std::string::npos;
}

}  // namespace

#ifndef _WIN32
std::string start_gammu_daemon(const std::string& folder, pid_t& gateway) {
  std::string daemon;
  for (const char* path : {"/usr/bin/gammu-smsd", "/usr/local/bin/gammu-smsd"})
    if (platform::file_exists(path)) daemon = path;
  if (daemon.empty()) return "gammu-smsd is not installed; scripts/install-deps installs it";
  const auto in = [&](const char* name) { return platform::join_path(folder, name); };
  for (const char* sub : {"phone/sms/1", "gw/inbox", "gw/outbox", "gw/sent", "gw/error"})
    platform::create_folders(in(sub));
  const std::string gw = in("gw/");
  platform::write_file(in("smsdrc"),
                       "[gammu]\nmodel = dummy\nconnection = none\ndevice = " + in("phone/") +
                           "\n[smsd]\nservice = files\nlogfile = " + in("smsd.log") +
                           "\ndebuglevel = 1\ncommtimeout = 1\nreceivefrequency = 1\n"
                           "statusfrequency = 0\nchecksecurity = 0\ncheckbattery = 0\n"
                           "checksignal = 0\nchecknetwork = 0\ntransmitformat = auto\n"
                           "inboxformat = detail\ndeliveryreport = sms\n"
                           "inboxpath = " +
                           gw + "inbox/\noutboxpath = " + gw + "outbox/\nsentsmspath = " + gw +
                           "sent/\nerrorsmspath = " + gw + "error/\n");
  gateway = start_program(daemon, {"-c", in("smsdrc")}, folder, {}, in("smsd.out"));
  if (gateway <= 0) return "gammu-smsd could not be started";
  if (!wait_until([&] { return log_says(in("smsd.log"), "Starting phone communication"); }, 20)) {
    stop_program(gateway);
    return "gammu-smsd did not start here: " +
           (platform::file_exists(in("smsd.log")) ? platform::read_file(in("smsd.log")) : "");
  }
  return "";
}
#endif

void give_phone_message(const std::string& folder, const std::string& name,
                        const std::string& number, const std::string& text, bool status_report,
                        const std::string& sent) {
  std::string hex;
  for (unsigned char c : text) {
    char unit[5];
    std::snprintf(unit, sizeof unit, "%04X", c);
    hex += unit;
  }
  const std::string bytes =
      "[SMSBackup000]\nSent = " + sent + "\nState = UnRead\nNumber = \"" + number +
      "\"\nText00 = " + hex +
      "\nCoding = Default\nFolder = 1\nLength = " + std::to_string(text.size()) + "\nClass = -1\n" +
      (status_report ? "PDU = Status_Report\nMessageReference = 255\n" : "PDU = Deliver\n");
  // Written beside, then renamed: the phone never reads half a message.
  const std::string beside = platform::join_path(folder, "phone/" + name);
  platform::write_file(beside, bytes);
  if (platform::replace_file(beside, platform::join_path(folder, "phone/sms/1/" + name)))
    throw platform::FileError("cannot give the phone " + name);
}

}  // namespace tarvex::testing
