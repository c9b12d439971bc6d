#pragma once

#include <QDialog>

class QComboBox;
class QLineEdit;
class QPushButton;

namespace tarvex::outbound {

class EmailChannel;

// "Email Security", reached from "Setup Email Account": how the connection
// to the SMTP server is secured, its port and the login. Every opening shows
// what the file holds; "OK" stores and closes, "Cancel" closes.
class EmailSecurityWindow final : public QDialog {
  Q_OBJECT

 public:
  explicit EmailSecurityWindow(EmailChannel& channel, QWidget* parent = nullptr);

  QComboBox* SecurityBox = nullptr;
  QLineEdit* PortEdit = nullptr;
  QLineEdit* UserNameEdit = nullptr;
  QLineEdit* PasswordEdit = nullptr;
  QLineEdit* CertificateFileEdit = nullptr;
  QPushButton* BrowseButton = nullptr;
  QPushButton* OkButton = nullptr;
  QPushButton* CancelButton = nullptr;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void load_into_fields();
  void show_standard_port();
  void BrowseButtonClick();
  void OkButtonClick();

  EmailChannel& channel_;
};

}  // namespace tarvex::outbound
