// The settings files of the start-up folder, eset.ini and Ports.ini, all
// hand-editable. One input fills setup.txt, Config.ini, Hardware.ini,
// History.ini, eset.ini and Ports.ini, separated by NUL bytes.
#include "app/session.h"
#include "app/settings_files.h"
#include "eeprom/serial_ports.h"
#include "fuzz_support.h"
#include "outbound/email_settings.h"

using namespace tarvex;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string input = fuzz::bytes_of(data, size);
  const auto& dir = fuzz::folder();
  const char* names[] = {"setup.txt",   "Config.ini", "Hardware.ini",
                         "History.ini", "eset.ini",   "Ports.ini"};
  for (int i = 0; i < 6; ++i) dir.write(names[i], fuzz::part(input, i));

  app::Settings settings;
  (void)app::load_settings_files(dir.path(), settings);

  outbound::EmailSettings email;
  try {
    (void)outbound::read_email_settings(dir.file("eset.ini"), email);
  } catch (const platform::FileError&) {
  }
  (void)outbound::split_smtp_server(email.smtp_server);
  for (int port = 1; port <= 8; ++port)
    (void)eeprom::port_target(dir.path(), "COM" + std::to_string(port));
  return 0;
}
