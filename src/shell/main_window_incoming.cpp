// The main window's incoming messages: the poll of the incoming-message
// folder (Timer3), the grid StringGrid2 with its clicks, the device link
// (Timer4), the Options entries that switch receiving, and the entries that
// open the find tools and the unit log viewer.

#include <QAction>
#include <QLabel>

#include "incoming/device_link.h"
#include "incoming/incoming_message.h"
#include "qt/string_grid_view.h"
#include "qt/text_convert.h"
#include "shell/main_window.h"

namespace tarvex::shell {

void TForm1::connect_incoming_entries() {
  receiver_ = std::make_unique<incoming::IncomingReceiver>(session_, incoming_);
  timer(3).set_handler([this] { Timer3Timer(); });
  timer(4).set_handler([this] { Timer4Timer(); });
  const int widths[3] = {99, 89, 96};
  for (int c = 0; c < 3; ++c) incoming_.set_column_width(c, widths[c]);

  auto entry = [this](const char* name, auto handler) {
    QAction* a = action(name);
    a->setVisible(true);
    connect(a, &QAction::triggered, this, handler);
  };
  entry("ReceiveMessages1", &TForm1::ReceiveMessages1Click);
  entry("StopReceivingMessages1", &TForm1::StopReceivingMessages1Click);
  entry("ClearReceivedMessages1", &TForm1::ClearReceivedMessages1Click);
  entry("Scrolltonewestmessage1", &TForm1::Scrolltonewestmessage1Click);
  // Its check mark is the device-link switch.
  action("LinkDevicetoIncommingMessages1")->setCheckable(true);
  action("LinkDevicetoIncommingMessages1")->setVisible(true);
  // These show once their windows exist (they make them visible).
  auto show_window = [this](const char* name, const char* window) {
    connect(action(name), &QAction::triggered, this,
            [this, window] { session_.ui.show_modal(window); });
  };
  show_window("FindDevice1", "TForm2");
  show_window("GetLog1", "TForm6");
  show_window("GetLog2", "TForm6");

  connect(StringGrid2, &qt::StringGridView::cellClicked, this, [this] { StringGrid2Click(); });
  connect(StringGrid2, &qt::StringGridView::cellDoubleClicked, this,
          [this] { StringGrid2DblClick(); });
}

void TForm1::Timer3Timer() {
  const incoming::IncomingReceiver::Tick tick = receiver_->poll();
  if (tick.accepted == 0) return;
  Label10->setText(qt::latin1(receiver_->counter_caption()));
  if (!session_.scroll_to_newest) return;
  if (tick.top_row) StringGrid2->scroll_to_row(*tick.top_row, QAbstractItemView::PositionAtTop);
  // However few rows the grid shows, the newest message is one of them.
  StringGrid2->scroll_to_row(incoming_.row_count() - 2, QAbstractItemView::EnsureVisible);
}

void TForm1::ReceiveMessages1Click() {
  set_receiving(true);
}

void TForm1::StopReceivingMessages1Click() {
  set_receiving(false);
}

void TForm1::ClearReceivedMessages1Click() {
  receiver_->clear();
  Label10->setText(qt::latin1(receiver_->counter_caption()));
}

void TForm1::Scrolltonewestmessage1Click() {
  // The entry checks and clears itself; the flag follows its mark.
  session_.scroll_to_newest = action("Scrolltonewestmessage1")->isChecked();
}

void TForm1::StringGrid2Click() {
  // The link waits: a double click may follow and cancels it.
  if (!timer(4).enabled()) timer(4).set_enabled(true);
}

void TForm1::StringGrid2DblClick() {
  timer(4).set_enabled(false);
  // A copy: the window shown below runs the poll, which may move the grid's
  // cells.
  const std::string cell = incoming_.cell(incoming_.col(), incoming_.row());
  if (cell.empty()) return;
  if (incoming_.col() == incoming::kColUnitNumber) {
    session_.preset_number = cell;
    session_.preset_text.clear();
  } else if (incoming_.col() == incoming::kColMessage) {
    session_.preset_text = cell;
    session_.preset_number.clear();
  } else {
    return;
  }
  session_.ui.show_modal("TForm3");
}

void TForm1::Timer4Timer() {
  timer(4).set_enabled(false);
  if (incoming_.col() != incoming::kColUnitNumber ||
      !action("LinkDevicetoIncommingMessages1")->isChecked())
    return;
  if (refuse_load_while_table_held()) return;
  auto context = device_context();
  incoming::link_device(context, incoming_.cell(incoming::kColUnitNumber, incoming_.row()),
                        [this] { show_loaded_device(); });
}

void TForm1::FormActivate() {
  // The device link and the Find Device window have read the found device
  // into the window already; reading it (or another file) again here would
  // only undo edits made since. The path has done its work once the window
  // is back.
  session_.found_device_path.clear();
}

bool TForm1::open_found_device(const std::string& path) {
  if (refuse_load_while_table_held()) return false;
  auto context = device_context();
  if (!incoming::load_found_device(context, path)) return false;
  show_loaded_device();
  return true;
}

}  // namespace tarvex::shell
