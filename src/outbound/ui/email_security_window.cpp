#include "outbound/ui/email_security_window.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>

#include "outbound/email_channel.h"
#include "qt/text_convert.h"

namespace tarvex::outbound {

namespace {

constexpr SmtpSecurity kChoices[] = {SmtpSecurity::None, SmtpSecurity::StartTls, SmtpSecurity::Tls};

QLineEdit* edit(QWidget* parent, const char* name) {
  auto* e = new QLineEdit(parent);
  e->setObjectName(name);
  return e;
}

}  // namespace

EmailSecurityWindow::EmailSecurityWindow(EmailChannel& channel, QWidget* parent)
    : QDialog(parent), channel_(channel) {
  setObjectName("EmailSecurityWindow");
  setWindowTitle("Email Security");

  SecurityBox = new QComboBox(this);
  SecurityBox->setObjectName("SecurityBox");
  SecurityBox->addItem("None (plain SMTP)");
  SecurityBox->addItem("STARTTLS");
  SecurityBox->addItem("TLS");
  PortEdit = edit(this, "PortEdit");
  UserNameEdit = edit(this, "UserNameEdit");
  PasswordEdit = edit(this, "PasswordEdit");
  PasswordEdit->setEchoMode(QLineEdit::Password);
  CertificateFileEdit = edit(this, "CertificateFileEdit");
  CertificateFileEdit->setToolTip(
      "Certificates to trust besides the system's (PEM), for a server with its own certificate");
  BrowseButton = new QPushButton("Browse...", this);
  BrowseButton->setObjectName("BrowseButton");
  BrowseButton->setAccessibleName("Browse for Certificate File");
  OkButton = new QPushButton("OK", this);
  OkButton->setObjectName("OkButton");
  OkButton->setDefault(true);
  CancelButton = new QPushButton("Cancel", this);
  CancelButton->setObjectName("CancelButton");

  auto* form = new QFormLayout;
  auto add_row = [&](const QString& caption, QWidget* field, QWidget* shown) {
    auto* label = new QLabel(caption, this);
    label->setBuddy(field);
    field->setAccessibleName(caption);
    form->addRow(label, shown ? shown : field);
  };
  add_row("&Security:", SecurityBox, nullptr);
  add_row("&Port:", PortEdit, nullptr);
  add_row("&User Name:", UserNameEdit, nullptr);
  add_row("Pass&word:", PasswordEdit, nullptr);
  auto* file_row = new QWidget(this);
  auto* file_layout = new QHBoxLayout(file_row);
  file_layout->setContentsMargins(0, 0, 0, 0);
  file_layout->addWidget(CertificateFileEdit);
  file_layout->addWidget(BrowseButton);
  add_row("&Certificate File:", CertificateFileEdit, file_row);
  // The accessible names carry no mnemonic marks.
  for (QWidget* w : {static_cast<QWidget*>(SecurityBox), static_cast<QWidget*>(PortEdit),
                     static_cast<QWidget*>(UserNameEdit), static_cast<QWidget*>(PasswordEdit),
                     static_cast<QWidget*>(CertificateFileEdit)})
    w->setAccessibleName(w->accessibleName().remove('&'));

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(OkButton);
  buttons->addWidget(CancelButton);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addLayout(buttons);

  connect(SecurityBox, &QComboBox::currentIndexChanged, this,
          &EmailSecurityWindow::show_standard_port);
  connect(BrowseButton, &QPushButton::clicked, this, &EmailSecurityWindow::BrowseButtonClick);
  connect(OkButton, &QPushButton::clicked, this, &EmailSecurityWindow::OkButtonClick);
  connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

void EmailSecurityWindow::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!event->spontaneous()) load_into_fields();
}

void EmailSecurityWindow::load_into_fields() {
  channel_.load_email_security();
  const EmailSecurity& s = channel_.security();
  for (int i = 0; i < 3; ++i)
    if (kChoices[i] == s.security) SecurityBox->setCurrentIndex(i);
  PortEdit->setText(s.port ? QString::number(s.port) : QString());
  // The login is UTF-8, as AUTH PLAIN and AUTH LOGIN take it.
  UserNameEdit->setText(QString::fromStdString(s.user_name));
  PasswordEdit->setText(QString::fromStdString(s.password));
  CertificateFileEdit->setText(qt::path_text(s.certificate_file));
  show_standard_port();
  SecurityBox->setFocus();
}

void EmailSecurityWindow::show_standard_port() {
  const int index = std::max(0, SecurityBox->currentIndex());
  PortEdit->setPlaceholderText(QString::number(standard_port(kChoices[index])));
}

void EmailSecurityWindow::BrowseButtonClick() {
  platform::FileDialogRequest request;
  request.title = "Certificate File";
  request.filter = "Certificate Files|*.pem;*.crt|All Files|*";
  if (auto chosen = channel_.ui().open_file(request))
    CertificateFileEdit->setText(qt::path_text(*chosen));
}

void EmailSecurityWindow::OkButtonClick() {
  const auto port = port_setting(qt::bytes(PortEdit->text()));
  if (!port) {
    channel_.ui().message(kBadPort);
    PortEdit->setFocus();
    return;
  }
  EmailSecurity values;
  values.security = kChoices[std::max(0, SecurityBox->currentIndex())];
  values.port = *port;
  values.user_name = UserNameEdit->text().toStdString();
  values.password = PasswordEdit->text().toStdString();
  values.certificate_file = qt::path_bytes(CertificateFileEdit->text());
  if (channel_.save_email_security(values)) accept();
}

}  // namespace tarvex::outbound
