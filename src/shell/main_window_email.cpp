// The main window's part in programming by e-mail: the SMTP client NMSMTP1
// with the account settings, the "Setup Email Account" and "Program Via
// Email" entries, and the steps that the other e-mail senders share.
#include <QAction>
#include <QLineEdit>

#include "outbound/email_channel.h"
#include "platform/tcp_transport.h"
#include "platform/tls_transport.h"
#include "qt/text_convert.h"
#include "shell/main_window.h"

namespace tarvex::shell {

namespace {

std::string text_of(const QLineEdit* edit) {
  return qt::bytes(edit->text());
}

}  // namespace

void TForm1::connect_email_entries() {
  email_ = std::make_unique<outbound::EmailChannel>(
      session_, std::make_unique<platform::TlsTransport>(platform::make_tcp_transport()));
  action("SetupEmailAccount1")->setVisible(true);
  action("ProgramViaEmail1")->setVisible(true);
  connect(action("SetupEmailAccount1"), &QAction::triggered, this,
          &TForm1::SetupEmailAccount1Click);
  connect(action("ProgramViaEmail1"), &QAction::triggered, this, &TForm1::ProgramViaEmail1Click);
}

bool TForm1::check_connect() {
  return email_->check_connect();
}

bool TForm1::send_email(const std::string& subject, const std::string& body) {
  return email_->send_email(subject, body);
}

void TForm1::SetupEmailAccount1Click() {
  session_.ui.show_modal("TForm21");
}

void TForm1::ProgramViaEmail1Click() {
  outbound::EmailRunHooks hooks;
  // The same Timer2 lock as the SMS runs.
  hooks.lock_program_menu = [this] { program_menu_lock_->lock(); };
  hooks.write_log = [this](const std::string& event) { write_log(event); };
  email_->program_via_email(maingrid_, text_of(Edit1), text_of(Edit2), hooks);
}

}  // namespace tarvex::shell
