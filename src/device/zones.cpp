#include "device/zones.h"

#include <algorithm>

#include "device/device.h"
#include "platform/text_file.h"

namespace tarvex::device {

namespace {
constexpr const char* kEnabled = "Enabled";
constexpr const char* kDisabled = "Disabled";
}  // namespace

std::vector<std::string> read_zone_codes(const std::string& path) {
  std::vector<std::string> lines = platform::read_lines(path);
  const auto end = std::find(lines.begin(), lines.end(), std::string(1, kZoneTerminator));
  lines.erase(end, lines.end());
  return lines;
}

void hardware_type_changed(app::Session& session, const std::string& type,
                           std::vector<std::string>& zone_codes) {
  if (type != kZonedHardwareType) return;
  try {
    zone_codes = read_zone_codes(session.start_file(kZoneFile));
  } catch (const std::exception& e) {
    session.ui.message(e.what());
  }
}

ZoneSelection::ZoneSelection() : grid_(2, 1) {
  grid_.set_cell(0, 0, "Zone");
  grid_.set_cell(1, 0, "Enabled/Disabled");
}

void ZoneSelection::open(int target_row, const std::string& zone_string) {
  target_row_ = target_row;
  applied_ = false;
  zone_string_ = zone_string;
  platform::GridUpdate update(grid_);
  grid_.set_row_count(1);
  grid_.set_row_count(static_cast<int>(zone_string.size()) + 1);
  for (std::size_t n = 1; n <= zone_string.size(); ++n) {
    const int row = static_cast<int>(n);
    grid_.set_cell(0, row, "Zone" + std::to_string(n));
    const char c = zone_string[n - 1];
    grid_.set_cell(1, row, c == '1' ? kEnabled : c == '0' ? kDisabled : "");
  }
  grid_.set_current(0, grid_.row_count() > 1 ? 1 : 0);
}

void ZoneSelection::toggle(int row) {
  if (row < 1 || row >= grid_.row_count()) return;
  grid_.set_cell(1, row, grid_.cell(1, row) == kEnabled ? kDisabled : kEnabled);
}

void ZoneSelection::set_all(const char* state) {
  platform::GridUpdate update(grid_);
  for (int r = 1; r < grid_.row_count(); ++r) grid_.set_cell(1, r, state);
}

void ZoneSelection::enable_all() {
  set_all(kEnabled);
}

void ZoneSelection::disable_all() {
  set_all(kDisabled);
}

void ZoneSelection::apply() {
  std::string zones;
  for (int r = 1; r < grid_.row_count(); ++r) zones += grid_.cell(1, r) == kEnabled ? '1' : '0';
  zone_string_ = zones;
  applied_ = true;
}

bool zone_trigger(app::Session& session, platform::StringGrid& table, int col, int row,
                  const std::vector<std::string>& zone_codes, ZoneSelection& zones) {
  if (col != kColFlags && col != kColText) return false;
  if (row < 1 || row >= table.row_count()) return false;
  const std::string& code = table.cell(kColProgCode, row);
  if (std::find(zone_codes.begin(), zone_codes.end(), code) == zone_codes.end()) return false;
  zones.open(row, table.cell(kColText, row));
  session.ui.show_modal("TForm16");
  if (zones.applied() && zones.target_row() < table.row_count()) {
    table.set_cell(kColText, zones.target_row(), zones.zone_string());
    table.set_cell(kColState, zones.target_row(), kSelected);
  }
  return true;
}

}  // namespace tarvex::device
