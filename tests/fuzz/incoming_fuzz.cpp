// Incoming message files and the unit log: written by the modem engine or a
// gateway, read line by line.
#include "fuzz_support.h"
#include "incoming/incoming_message.h"
#include "incoming/unit_log.h"
#include "platform/string_grid.h"
#include "platform/virtual_scheduler.h"
#include "support/scripted_ui.h"

using namespace tarvex;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes = fuzz::bytes_of(data, size);
  for (const std::string& line : platform::split_lines(bytes)) {
    if (auto message = incoming::parse_incoming_line(line))
      if (message->text.size() > 160) __builtin_trap();
    (void)incoming::unit_field(line);
    (void)incoming::message_field(line);
    (void)incoming::stamp_field(line);
    (void)incoming::line_date(line);
    (void)incoming::log_row(line);
  }
  // The whole search over the input as a log file, with every criterion.
  fuzz::folder().write("unit.msg", bytes);
  testing::ScriptedUi ui;
  platform::VirtualScheduler scheduler;
  platform::StringGrid grid(incoming::kMessageColumns, 2);
  incoming::LogCriteria criteria{20240101, 20991231, std::string("+27"), std::string("a")};
  incoming::LogSearch search{fuzz::folder().file("unit.msg"), criteria, grid, ui, scheduler, {}};
  search.block_size = 64;  // lines across block ends
  (void)incoming::search_unit_log(search);
  return 0;
}
