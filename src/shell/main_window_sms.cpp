// The main window's SMS entries: "Program via SMS", "Program Using Alt
// Programming Settings", the command list with its "Send" button, and the
// timers that re-enable the "Program" menu and blank the command status.

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardItemModel>

#include "app/folders.h"
#include "qt/text_convert.h"
#include "shell/main_window.h"

namespace tarvex::shell {

namespace {

std::string latin1_text(const QLineEdit* edit) {
  return qt::bytes(edit->text());
}

using qt::latin1;

}  // namespace

void TForm1::connect_sms_entries() {
  program_menu_lock_ = std::make_unique<outbound::ProgramMenuLock>(
      timer(2), [this](bool enabled) { action("Program1")->setEnabled(enabled); });
  timer(5).set_handler([this] { Timer5Timer(); });
  command_tag_source = outbound::clock_seeded_tag_source();

  connect(action("ProgramasNewUnit1"), &QAction::triggered, this, &TForm1::ProgramasNewUnit1Click);
  connect(action("ProgramasOldUnit1"), &QAction::triggered, this, &TForm1::ProgramasOldUnit1Click);
  action("ProgramasNewUnit1")->setVisible(true);
  action("ProgramasOldUnit1")->setVisible(true);
  action("ProgramasOldUnit1")->setToolTip("Program the older unit versions");

  connect(ComboBoxPlus1, &QComboBox::activated, this, &TForm1::ComboBoxPlus1Change);
  connect(Button1, &QPushButton::clicked, this, &TForm1::Button1Click);
}

void TForm1::run_sms_programming(outbound::SmsFraming framing) {
  outbound::SmsRunInputs in{
      .unit_number = latin1_text(Edit1),
      .password = latin1_text(Edit2),
      .mode = session_.programming_mode,
      .framing = outbound::framing_from(session_.settings),
      .programming_folder =
          app::resolve_folder(session_.start_folder, session_.settings.programming_folder),
      .grid = maingrid_,
      .ui = session_.ui,
      .lock_program_menu = [this] { program_menu_lock_->lock(); },
      .write_log = [this](const std::string& event) { write_log(event); },
  };
  outbound::program_via_sms(in, framing);
}

void TForm1::ProgramasNewUnit1Click() {
  run_sms_programming(outbound::SmsFraming::CurrentMode);
}

void TForm1::ProgramasOldUnit1Click() {
  run_sms_programming(outbound::SmsFraming::Alternative);
}

void TForm1::ComboBoxPlus1Change(int index) {
  const auto* model = ComboBoxPlus1->model();
  chosen_command = qt::bytes(model->data(model->index(index, 2)).toString());
  Label6->setText(outbound::kCommandChosenStatus);
}

void TForm1::Button1Click() {
  outbound::CommandSendInputs in{
      .unit_number = latin1_text(Edit1),
      .password = latin1_text(Edit2),
      .mode = session_.programming_mode,
      .framing = outbound::framing_from(session_.settings),
      .programming_folder =
          app::resolve_folder(session_.start_folder, session_.settings.programming_folder),
      .command = chosen_command,
      .ui = session_.ui,
      .draw_tag = command_tag_source,
  };
  const outbound::CommandSendResult result = outbound::send_command(in);
  if (!result.log_event.empty()) write_log(result.log_event);
  if (result.status.empty()) return;
  Label6->setText(latin1(result.status));
  timer(5).set_enabled(true);
}

void TForm1::Timer5Timer() {
  Label6->setText(outbound::kCommandStatusBlank);
  timer(5).set_enabled(false);
}

}  // namespace tarvex::shell
