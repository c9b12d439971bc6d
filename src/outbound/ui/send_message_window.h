#pragma once

#include <QDialog>

#include "outbound/send_message.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace tarvex::app {
class MainWindowAccess;
}

namespace tarvex::outbound {

// "Send Message": one free text of at most 160 characters to one number, as
// an SMS file for the modem engine or by e-mail. Openers may leave a number
// or a text in the session's presets just before showing it.
class TForm3 final : public QDialog {
  Q_OBJECT

 public:
  TForm3(app::MainWindowAccess& main_window, EmailChannel& email, QWidget* parent);
  TForm3(const TForm3&) = delete;
  TForm3& operator=(const TForm3&) = delete;

  MessageSender& sender() { return sender_; }

  // Puts number into the recent-number list and selects it.
  void PopulateNumbers(const std::string& number);

  QComboBox* ComboBox1 = nullptr;
  QPlainTextEdit* Memo1 = nullptr;
  QLabel* Label4 = nullptr;
  QCheckBox* CheckBox1 = nullptr;
  QPushButton* Button1 = nullptr;  // Send
  QPushButton* Button2 = nullptr;  // Cancel

 protected:
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void FormActivate();
  void Button1Click();
  void Button2Click();
  void show_recent_numbers(int select);

  app::MainWindowAccess& main_;
  MessageSender sender_;
  bool sending_ = false;
};

}  // namespace tarvex::outbound
