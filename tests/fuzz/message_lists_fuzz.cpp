// Function files (control panel, command list), group files (bulk
// messages), gammu inbox files (SMS bridge) and the e-mail security file:
// lists that people edit by hand or other programs write.
#include "device/function_file.h"
#include "fuzz_support.h"
#include "outbound/bulk_messages.h"
#include "outbound/email_security.h"
#include "outbound/gammu_gateway.h"

using namespace tarvex;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes = fuzz::bytes_of(data, size);
  const std::vector<std::string> lines = platform::split_lines(bytes);
  const auto& dir = fuzz::folder();

  (void)device::parse_functions(lines);
  dir.write("f.fun", bytes);
  try {
    const device::FunctionFile file = device::read_function_file(dir.file("f.fun"));
    // What was read writes back, or is refused with a reason.
    if (!device::function_file_problem(file)) (void)device::function_file_text(file);
  } catch (const platform::FileError&) {
  }
  dir.write("g.grp", bytes);
  try {
    (void)outbound::group_file_text(outbound::read_group_file(dir.file("g.grp")));
  } catch (const platform::FileError&) {
  }
  (void)outbound::numbers_from_device_names(lines);
  (void)outbound::parse_gammu_backup(bytes);
  (void)outbound::from_text_file(bytes);
  outbound::EmailSecurity security;
  dir.write("s.ini", bytes);
  (void)outbound::read_email_security(dir.file("s.ini"), security);
  return 0;
}
