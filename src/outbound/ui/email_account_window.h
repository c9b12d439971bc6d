#pragma once

#include <QDialog>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace tarvex::outbound {

class EmailChannel;

// "Setup Email Account": the e-mail account settings. The send-to group
// stays out of sight (the window is too short to show it) until the hidden
// spot Label5 is double-clicked, and its address stays read-only until the
// hidden spot Label9 is double-clicked; every activation hides and locks it
// again and shows what eset.ini holds.
class TForm21 final : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kShortHeight = 291;
  static constexpr int kTallHeight = 376;

  explicit TForm21(EmailChannel& channel, QWidget* parent = nullptr);
  TForm21(const TForm21&) = delete;
  TForm21& operator=(const TForm21&) = delete;

  QLabel* Label5 = nullptr;
  QLabel* Label9 = nullptr;
  QLineEdit* Edit1 = nullptr;  // owner name
  QLineEdit* Edit2 = nullptr;  // telephone number
  QLineEdit* Edit3 = nullptr;  // sender address
  QLineEdit* Edit4 = nullptr;  // SMTP server
  QLineEdit* Edit7 = nullptr;  // login name
  QLineEdit* Edit6 = nullptr;  // account number
  QLineEdit* Edit5 = nullptr;  // send-to address
  QGroupBox* GroupBox1 = nullptr;
  QPushButton* Button1 = nullptr;  // Apply
  QPushButton* Button2 = nullptr;  // Cancel
  // Opens "Email Security": TLS, port and login.
  QPushButton* SecurityButton = nullptr;

 protected:
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void FormCreate();
  void FormActivate();
  void Label5DblClick();
  void Label9DblClick();
  void Button1Click();
  void Button2Click();
  void SecurityButtonClick();
  void set_window_height(int height);
  void load_into_fields();

  EmailChannel& channel_;
};

}  // namespace tarvex::outbound
