#include "eeprom/read_back.h"

#include <algorithm>

#include "device/device.h"
#include "eeprom/eeprom_template.h"
#include "eeprom/programming_run.h"
#include "eeprom/uart.h"
#include "platform/scheduler.h"
#include "platform/text_file.h"
#include "platform/ui.h"

namespace tarvex::eeprom {

namespace {
bool binary_digit(char c) {
  return c == '0' || c == '1';
}
}  // namespace

StoredMessage split_stored_text(const std::string& stored, const std::string& hardware_type) {
  StoredMessage m{"", stored};
  std::string& d = m.text;
  if (d.size() < 9) return m;
  for (int i = 0; i < 8; ++i)
    if (!binary_digit(d[i])) return m;
  m.flags = d.substr(0, 8);
  if (hardware_type == kContactid) {
    if (d[8] != '/') {
      d.erase(0, 8);
    } else if (d.size() > 13) {
      m.flags += d.substr(8, 5);
      d.erase(0, 13);
    }
  } else if (binary_digit(d[8])) {
    m.flags.clear();
  } else {
    d.erase(0, 8);
  }
  return m;
}

void ReadBack::run(ReadBackTarget& target, const std::string& hardware_type,
                   const std::string& start_folder, int com_port, ReadProgressView& progress) {
  if (target_) return;  // one read-back at a time
  if (hardware_type.empty()) {
    ui_.message(kNoHardwareType);
    return;
  }
  uart_.SetPort(com_port);
  uart_.SetActive(true);
  uart_.PauseAndPump(wait::kAfterOpen);
  if (!uart_.Active()) {
    ui_.message(kPortOpenError);
    return;
  }
  uart_.WriteByte(kEnq);
  if (!uart_.WaitForByte(kAck, wait::kDetect)) {
    uart_.SetActive(false);
    ui_.message(kNoReader);
    return;
  }

  EepromTemplate tpl;
  try {
    tpl = load_template(template_path(start_folder, hardware_type));
  } catch (const platform::FileError& e) {
    // Nothing is read; the port is not left open behind the message.
    uart_.SetActive(false);
    ui_.message(e.what());
    return;
  }
  {
    platform::GridUpdate batch(target.template_table);
    target.template_table.set_col_count(2);
    target.template_table.clear_rows(0, target.template_table.row_count() - 1);
    target.template_table.set_row_count(std::max<int>(1, static_cast<int>(tpl.entries.size())));
    for (std::size_t i = 0; i < tpl.entries.size(); ++i)
      target.template_table.set_row_cells(static_cast<int>(i),
                                          {tpl.entries[i].address, tpl.entries[i].code});
  }

  target_ = &target;
  progress_ = &progress;
  cancel_ = false;
  progress.show_progress(target.table.row_count() - 1);
  target.enable_table(false);
  try {
    read_rows(target, hardware_type, read_command_code(tpl.type_name), tpl.terminator());
  } catch (const ConversionError& e) {
    // A template address that is no address ends the read-back; the rows
    // read so far keep their new content.
    finish();
    ui_.message(e.what());
    return;
  }
  finish();
}

void ReadBack::read_rows(ReadBackTarget& target, const std::string& hardware_type, int read_code,
                         std::uint8_t terminator) {
  platform::StringGrid& table = target.table;
  const platform::StringGrid& codes = target.template_table;
  const int entries = static_cast<int>(codes.row_count());
  for (int r = 1; r < table.row_count(); ++r) {
    progress_->set_position(r);
    scheduler_.process_messages();
    if (cancel_) return;
    if (r > 18 && r < table.row_count() - 18) target.scroll_table(r - 17);
    int entry = -1;
    for (int e = 0; e < entries && entry < 0; ++e)
      if (codes.cell(1, e) == table.cell(device::kColProgCode, r)) entry = e;
    if (entry < 0 || table.cell(device::kColProgLen, r) == "0") continue;

    std::uint8_t high = 0, low = 0;
    GetAddress(codes.cell(0, entry), high, low);
    for (std::uint8_t b : {static_cast<std::uint8_t>(read_code), high, low, terminator})
      uart_.WriteByte(b);
    std::string d = uart_.ReadUntil(terminator, kReadBackSilenceMs);
    scheduler_.process_messages();
    // A Cancel pressed while the row was read keeps what was read.
    const auto at = d.find(static_cast<char>(terminator));
    if (at != std::string::npos) {
      d.erase(at, 1);
      const StoredMessage m = split_stored_text(d, hardware_type);
      table.set_cell(device::kColFlags, r, m.flags);
      table.set_cell(device::kColText, r, m.text);
      table.set_cell(device::kColState, r, device::kLoaded);
    }
    if (cancel_) return;
  }
}

void ReadBack::finish() {
  uart_.SetActive(false);
  if (progress_ && !cancel_) progress_->close_progress();
  if (target_) target_->enable_table(true);
  target_ = nullptr;
  progress_ = nullptr;
}

void ReadBack::Cancel() {
  if (target_) target_->enable_table(true);
  cancel_ = true;
  if (progress_) progress_->close_progress();
}

}  // namespace tarvex::eeprom
