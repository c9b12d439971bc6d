#pragma once

#include <string>
#include <vector>

#include "app/session.h"
#include "device/device.h"
#include "device/device_file.h"
#include "platform/string_grid.h"
#include "platform/virtual_scheduler.h"
#include "support/scripted_ui.h"
#include "support/temp_folder.h"

namespace tarvex::device {

// A start-up folder with the device-related settings, a device and its table.
struct DeviceFixture {
  DeviceFixture() {
    session.settings.device_folder = "Devices";
    session.settings.function_folder = "Functions";
    session.settings.hardware_types = {"K71 Morvane", "Contactid", ""};
    session.base_caption = "Tarvex Programmer Ver1.02 Master";
    const char* headings[6] = {"Message Description", "Prog Code",          "Prog Len", "Flags",
                               "Text Message",        "Selected/Unselected"};
    for (int c = 0; c < 6; ++c) table.set_cell(c, 0, headings[c]);
  }

  // Sets data rows from {description, code, len, flags, text, state} lists.
  void rows(const std::vector<MessageRow>& rows) {
    table.set_row_count(static_cast<int>(rows.size()) + 1);
    for (std::size_t i = 0; i < rows.size(); ++i) set_row(table, static_cast<int>(i) + 1, rows[i]);
  }
  std::string cell(int col, int row) const { return table.cell(col, row); }

  testing::TempFolder dir;
  testing::ScriptedUi ui;
  platform::VirtualScheduler scheduler;
  app::Session session{ui, scheduler, dir.path()};
  Device device;
  platform::StringGrid table{kTableColumns, 2};
  DeviceLineReader reader;
  DeviceContext context{session, device, table, reader};
};

}  // namespace tarvex::device
