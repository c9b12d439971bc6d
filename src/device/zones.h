#pragma once

#include <string>
#include <vector>

#include "app/session.h"
#include "platform/string_grid.h"

// Hardware types with zones and the zone strings of their message rows.
namespace tarvex::device {

inline constexpr const char* kZoneFile = "Zone.dat";
inline constexpr const char* kZonedHardwareType = "K71 Morvane";
// Zone.dat ends its list of codes with a line holding this byte alone.
inline constexpr char kZoneTerminator = '\x7F';

// The programming codes whose rows carry a zone string, in file order: the
// lines before the terminator line, or every line when it is missing.
// Throws platform::FileError when the file cannot be read.
std::vector<std::string> read_zone_codes(const std::string& path);

// ComboBox1Change: choosing "K71 Morvane" (re)loads the zone codes from
// Zone.dat in the start-up folder; any other type leaves them as they are. A
// file that cannot be read is reported and the old list stays.
void hardware_type_changed(app::Session& session, const std::string& type,
                           std::vector<std::string>& zone_codes);

// What the Zone Selection window edits: one grid row per zone of the target
// row's zone string ("1" enabled, "0" disabled).
class ZoneSelection {
 public:
  ZoneSelection();
  ZoneSelection(const ZoneSelection&) = delete;
  ZoneSelection& operator=(const ZoneSelection&) = delete;

  platform::StringGrid& grid() { return grid_; }
  const platform::StringGrid& grid() const { return grid_; }

  // Takes a zone string and fills the grid: Zone1, Zone2, ... with
  // "Enabled" / "Disabled" (no state for any other character).
  void open(int target_row, const std::string& zone_string);
  // Double click: "Enabled" becomes "Disabled", anything else "Enabled".
  void toggle(int row);
  void enable_all();
  void disable_all();
  // "Apply": the new zone string from the rows in order.
  void apply();

  int target_row() const { return target_row_; }
  bool applied() const { return applied_; }
  const std::string& zone_string() const { return zone_string_; }

 private:
  void set_all(const char* state);

  platform::StringGrid grid_;
  int target_row_ = 0;
  bool applied_ = false;
  std::string zone_string_;
};

// The zone trigger of the message table: moving into Flags or Text Message
// of a row whose Prog Code is a listed zone code opens the Zone Selection
// window ("TForm16") on that row's Text Message. After "Apply" the row gets
// the new zone string and "Selected". Returns whether the window was shown.
bool zone_trigger(app::Session& session, platform::StringGrid& table, int col, int row,
                  const std::vector<std::string>& zone_codes, ZoneSelection& zones);

}  // namespace tarvex::device
