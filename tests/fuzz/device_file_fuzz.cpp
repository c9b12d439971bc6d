// Device files and tab-delimited import files: bytes from any editor.
#include "device/device_file.h"
#include "device/message_table.h"
#include "fuzz_support.h"
#include "platform/virtual_scheduler.h"
#include "support/scripted_ui.h"

using namespace tarvex;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::vector<std::string> lines = platform::split_lines(fuzz::bytes_of(data, size));

  testing::ScriptedUi ui;
  platform::VirtualScheduler scheduler;
  app::Session session(ui, scheduler, fuzz::folder().path());
  session.settings.hardware_types = {"K71 Morvane", "Contactid", ""};
  device::Device dev;
  platform::StringGrid table(device::kTableColumns, 2);
  device::DeviceLineReader reader;
  device::DeviceContext context{session, dev, table, reader};
  device::read_device_lines(context, lines);
  // What was read must write back without fault.
  (void)device::device_file_lines(dev, session.programming_mode, table);

  platform::StringGrid imported(device::kTableColumns, 2);
  device::import_tab_delimited(imported, lines);
  return 0;
}
