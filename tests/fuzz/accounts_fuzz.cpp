// user.dat and the event log prpl.dat: scrambled files that may be damaged.
#include "app/accounts.h"
#include "app/event_log.h"
#include "app/user_codec.h"
#include "fuzz_support.h"
#include "platform/string_grid.h"
#include "support/scripted_ui.h"

using namespace tarvex;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes = fuzz::bytes_of(data, size);
  for (const std::string& line : platform::split_lines(bytes)) {
    // Decoding is the inverse of encoding for every line that encodes to one.
    const std::string plain = app::UserDecode(line);
    if (app::encodes_to_one_line(line) && app::UserDecode(app::UserEncode(line)) != line)
      __builtin_trap();
    (void)plain;
  }
  const std::string path = fuzz::folder().file("user.dat");
  fuzz::folder().write("user.dat", bytes);
  try {
    (void)app::auto_logon_name(path);
    platform::StringGrid grid(2, 2);
    app::init_user_grid(grid);
    app::LoadUsers(grid, path);
    testing::ScriptedUi ui;
    (void)app::check_login(ui, path, "admin", "1234");
    (void)app::read_event_log(path);
    platform::StringGrid log(3, 2);
    app::init_event_log_grid(log);
    app::load_event_log_grid(log, path, ui);
  } catch (const platform::FileError&) {
  }
  return 0;
}
